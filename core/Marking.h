#pragma once

#include <QDate>
#include <QString>

class Table;

// The marking passes behind the current and expired views: each record's WRK is set record by record
// through the table instances, all marks in one transaction (all of them or none). The screen keeps
// painting through the event pump while they run.
namespace Marking {

// Mode 1 marks current contracts, 2 expired ones, 6 the expired contracts of one birth number.
// Returns whether any contract was marked. t ends unfiltered on tag NUMBER.
bool markContracts(int mode, Table& t, Table& extensions, const QDate& today, const QString& birthNumber);

// Mode 1 marks the items of current contracts, 2 those of expired ones, visiting the goods of each
// contract by key; items whose contract is missing keep their mark.
void markGoods(int mode, Table& goods, Table& contracts, Table& extensions, const QDate& today);

// Puts the current record of t in edit with WRK (field index wrk) set to mark; a record that has that
// mark already is left as it is. Moving on posts it, and inside a transaction the store writes such
// marks in batches.
void setMark(Table& t, int wrk, bool mark);

} // namespace Marking
