#pragma once

#include "print/ListReport.h"

// The contracts list: every contract of the view the start chose, highest contract number first.
class TForm13 : public ListReport
{
    Q_OBJECT
public:
    explicit TForm13(Store& store, QObject* parent = nullptr);

    // The first six columns, which the one-person list shares.
    static void addContractColumns(ListReport& report);
};
