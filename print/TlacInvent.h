#pragma once

#include "print/ListReport.h"

// The goods list: the pledged goods of the view the start chose, highest contract number first.
class TForm15 : public ListReport
{
    Q_OBJECT
public:
    explicit TForm15(Store& store, QObject* parent = nullptr);
};
