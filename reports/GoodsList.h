#pragma once

#include "reports/ListReport.h"

// The goods list: the pledged goods of one view of the register, highest contract number first.
class GoodsList : public ListReport
{
    Q_OBJECT
public:
    explicit GoodsList(Shop& shop, QObject* parent = nullptr);

    // The views it prints, by FilterMode: all, of current contracts, of expired ones, for sale, sold.
    static constexpr int Views = 5;
    static QString secondLine(int mode);

    // The start of every menu entry: the view of mode on the report's own table and the heading.
    void Start(int mode);
};
