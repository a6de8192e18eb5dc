#pragma once

#include "reports/ListReport.h"

// The contracts list: the contracts of one view of the register, highest contract number first.
class ContractsList : public ListReport
{
    Q_OBJECT
public:
    explicit ContractsList(Shop& shop, QObject* parent = nullptr);

    // The views it prints, by FilterMode: all, current, expired, paid, forfeited, extended.
    static constexpr int Views = 6;
    static QString secondLine(int mode);

    // The start of every menu entry: the view of mode on the report's own table and the heading.
    void Start(int mode);

    // The first six columns, which the one-person list shares.
    static void addContractColumns(ListReport& report);
};
