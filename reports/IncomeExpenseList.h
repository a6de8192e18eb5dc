#pragma once

#include "core/IncomeExpense.h"
#include "reports/ListReport.h"

#include <QDate>

// The cash statement of a period: one row per money movement from the work table Prijvyd.dbf by date, and a
// summary of the sums, money out, money in, their difference and the counts.
class IncomeExpenseList : public ListReport
{
    Q_OBJECT
public:
    explicit IncomeExpenseList(Shop& shop, QObject* parent = nullptr);

    ReportBand* Summary = nullptr;
    // Under the columns: the four sums as plain numbers.
    ReportItem* SignedSum = nullptr;
    ReportItem* PaidSum = nullptr;
    ReportItem* InterestSum = nullptr;
    ReportItem* SalesSum = nullptr;
    // "Výdaje", "Príjmy", "Rozdiel", each with " Sk".
    ReportItem* MoneyOut = nullptr;
    ReportItem* MoneyIn = nullptr;
    ReportItem* Difference = nullptr;
    ReportItem* SignedCount = nullptr;
    ReportItem* PaidCount = nullptr;
    ReportItem* InterestCount = nullptr;
    ReportItem* SalesCount = nullptr;

    // The totals of the last start.
    IncomeExpense totals;

    // Refills the work table (the report's own instance of it) with the movements from `from` to `to`, both
    // included, from the shop's contracts, extensions and goods, then sets the heading and the summary.
    // When the refill fails the work table keeps its rows and the labels stay as they were.
    void Start(const QDate& from, const QDate& to);
};
