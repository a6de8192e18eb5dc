#pragma once

#include "windows/print/ReportForm.h"

#include <QDate>

class IncomeExpenseList;

// The cash statement of a period, started by the period dialog's "&OK".
class TForm11 : public ReportForm
{
    Q_OBJECT
public:
    explicit TForm11(Frame* main);

    IncomeExpenseList* QuickRep = nullptr;

    // Refills the work table with the movements from `from` to `to` and previews the statement; returns
    // when the preview is closed.
    void PrintIncomeExpense(const QDate& from, const QDate& to);
};
