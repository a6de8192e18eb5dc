#pragma once

#include "core/Money.h"

#include <QString>

class Table;

// The figures of the statistics menu, computed over table instances without a window.
namespace Statistics {

// Money lent out: AMOUNT of every contract neither paid nor forfeited, each read as Money::fromStored reads it in
// the store's currency. Walks contracts from its first record to its last and leaves it at its end.
Money circulation(Table& contracts);
qint64 moneyInCirculation(Table& contracts); // in whole crowns (a crown store)

// The pledge value of forfeited goods not yet sold: SUMA1 of every such item. Walks goods from its first record to
// its last and leaves it at its end.
Money pledge(Table& goods);
qint64 pledgeValue(Table& goods); // in whole crowns (a crown store)

// The money figure as the window shows it: the decimal digits and " Sk" (12500 Sk, -300 Sk).
QString crownsText(qint64 sum);

// The number of records of every table: the live ones from their instances (never filtered), the
// archive ones from instances opened for the count only and closed again.
struct RecordCounts
{
    int contracts = 0;
    int persons = 0;
    int goods = 0;
    int extensions = 0;
    int archivedContracts = 0;
    int archivedGoods = 0;
    int archivedExtensions = 0;
};
RecordCounts countRecords(Table& contracts, Table& persons, Table& goods, Table& extensions, Table& archivedContracts,
                          Table& archivedGoods, Table& archivedExtensions);

} // namespace Statistics
