#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <utility>

class Store;

// Moving a shop's records from one store to another: from the SQLite file of one counter onto a server
// that several share, back again, or from a backup file. Every record of the eight tables goes with its
// row id and its values exactly as stored, WRK included; all of them or none.
namespace StoreCopy {

struct TableCount
{
    QString table; // "Zmluvy.DBF"
    qint64 records = 0;
};

// Called after each batch of records with the records copied and the records in all; returning false
// stops the copy (StoreError "Copy cancelled"). Pending events run between batches.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// What a copy does with the store's own tables: the clerks, the trail of changes and the person keys
// (store/Trail.h).
enum class Own {
    Copy,  // copied as stored, so that the chain verifies in to; to's must be empty
    Leave, // left as they are: a restore decides about them itself
};

// Copies the store at from into the store at to (locations as Store takes them), which must hold no
// records; a store is created there first when there is none, and removed again when the copy fails.
// The source is read as it was at one moment, whatever its counters write meanwhile. After the copy the
// record counts of both are compared table by table; any difference undoes it. The store's own tables go
// with the records, and to's trail gets a row "copy" naming from. A server store created here gives the role
// counters what Store::createEmpty gives it. Throws StoreError.
QList<TableCount> copy(const QString& from, const QString& to, const Progress& progress = {},
                       const QString& counters = {});

// The same between open stores, in one transaction of to; with replace, to's records go first (a restore),
// otherwise to must hold none (nor, with Own::Copy, clerks, trail or keys). Appends no trail row.
QList<TableCount> copyRecords(Store& from, Store& to, bool replace, Own own, const Progress& progress = {});

// Copies the clerks, the trail and the person keys of from into to as stored, in to's transaction or one of
// its own. to's trail must be empty; its clerks and keys, if any, give way.
void copyOwnTables(Store& from, Store& to);
// Whether the trail of changes of store holds no row (a store just made by init).
bool trailEmpty(Store& store);
// Record counts as a trail row names them: by the tables' SQL names.
QList<std::pair<QString, qint64>> trailCounts(const QList<TableCount>& counts);

} // namespace StoreCopy
