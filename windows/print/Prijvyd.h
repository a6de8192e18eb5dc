#pragma once

#include "windows/print/PeriodDialog.h"

// "Štatistika": the period whose cash statement "&OK" prints. A box that is no date leaves the work table
// with its rows.
class TForm8 : public PeriodDialog
{
    Q_OBJECT
public:
    explicit TForm8(Frame* main);

protected:
    void printPeriod(const QDate& from, const QDate& to) override;
};
