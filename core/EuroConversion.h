#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Store;

// The one-time change of a crown store to euros: every money field of every record, live and archived, divided by
// the fixed rate 30,1260 and rounded to the cent (a half cent and more away from zero, less towards it, as
// Money::crownsToEuro), the work table Prijvyd emptied (it is refilled from the records), the store's currency
// EUR and one trail row with the counts and the sums per field before and after: all in one transaction.
namespace EuroConversion {

struct FieldSum
{
    QString table;     // SQL name: "Zmluvy"
    QString field;     // "AMOUNT"
    qint64 before = 0; // the sum of the values in hundredths of a crown, each rounded so
    qint64 after = 0;  // the sum of the converted values in cents
};

struct Result
{
    QList<std::pair<QString, qint64>> records; // converted, per table (SQL name)
    QList<FieldSum> sums;
};

// The tables and their money fields.
const QList<std::pair<QString, QStringList>>& moneyFields();

// The statements that convert the money in place, one per table, as convert runs them.
QStringList updateStatements(Store& store);

// Converts the store; throws StoreError when it counts in euros already (nothing changed) or when the
// conversion fails (then the store is as it was).
Result convert(Store& store);

} // namespace EuroConversion
