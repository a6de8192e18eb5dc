#pragma once

#include <QDate>
#include <QtGlobal>

class Table;

// The shop's cash statement for a period: the money movements gathered into the work table Prijvyd.dbf,
// with the totals of each kind. Sums and counts are 64-bit and checked; sums count the store's smallest unit
// (Money::units): whole crowns, or cents in a euro store.
struct IncomeExpense
{
    qint64 signedSum = 0, paidSum = 0, interestSum = 0, salesSum = 0;
    qint64 signedCount = 0, paidCount = 0, interestCount = 0, salesCount = 0;

    qint64 moneyOut() const { return signedSum; }
    qint64 moneyIn() const;    // paid + interest + sales
    qint64 difference() const; // money in - money out

    // Empties `work` and fills it again with one row per movement dated from `from` to `to`, both days
    // included: a contract signed (AMOUNT on AGRDATE) and, independently, paid off (PAID_SUM on PAID_DATE), an
    // extension paid (X_PAID on X_PAIDDATE), an item sold (PRED_SUMA on PRED_DATUM). Rows are gathered walking
    // the contracts, then the extensions, then the goods, each in the order of its tag NUMBER, so rows of one
    // day keep that order in the work table. Each row has NUMBER, DATE and its one amount as stored at the
    // source. All in one transaction: when it fails the work table keeps the rows it had.
    static IncomeExpense fill(Table& work, Table& contracts, Table& extensions, Table& goods, const QDate& from,
                              const QDate& to);
};
