#pragma once

#include "windows/print/PeriodDialog.h"

// "Zmeny záznamov": the period whose changes "&OK" prints.
class TObdobieZmien : public PeriodDialog
{
    Q_OBJECT
public:
    explicit TObdobieZmien(Frame* main);

protected:
    void printPeriod(const QDate& from, const QDate& to) override;
};
