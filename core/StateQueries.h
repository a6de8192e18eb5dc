#pragma once

#include <QDate>
#include <QString>

class Store;

// The current and expired states as single SQL statements over the whole store. The register marks
// record by record through its table instances; these give the same marks in one statement, which
// the benchmark and the tests hold the marking passes against.
namespace StateQueries {

// mode 1 current, 2 expired, 6 expired of one birth number (the rest get no mark)
void MarkContracts(Store& store, int mode, const QDate& today, const QString& birthNumber = {});
// mode 1 items of current contracts, 2 of expired ones; items without a contract keep their mark
void MarkGoods(Store& store, int mode, const QDate& today);

} // namespace StateQueries
