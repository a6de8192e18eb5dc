#pragma once

#include <QList>
#include <QString>
#include <functional>

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

// Copies the store at from into the store at to (locations as Store takes them), which must hold no
// records; a store is created there first when there is none, and removed again when the copy fails.
// The source is read as it was at one moment, whatever its counters write meanwhile. After the copy the
// record counts of both are compared table by table; any difference undoes it. Throws StoreError.
QList<TableCount> copy(const QString& from, const QString& to, const Progress& progress = {});

// The same between open stores, in one transaction of to; with replace, to's records go first (a restore),
// otherwise to must hold none.
QList<TableCount> copyRecords(Store& from, Store& to, bool replace, const Progress& progress = {});

} // namespace StoreCopy
