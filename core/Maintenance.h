#pragma once

#include <QList>

class Store;
class Table;

// The maintenance commands below the windows: rebuilding the indexes and writing the data through.
namespace Maintenance {

// Rebuilds every index of the tables of instances. The instances of live are closed first, then
// instances are closed, opened exclusively in order, re-indexed and closed; at the end live and then
// instances are opened again, each keeping its tag, filter and switch and standing on its first record.
// When a table is held by another instance the engine refuses the exclusive open: everything closed
// so far is opened again as before and the engine's error is thrown.
void Reindex(const QList<Table*>& live, const QList<Table*>& instances);

// Stores the pending change of each instance in order (an unchanged record would be written back as
// it is, and a new record nobody filled in is dropped, so an empty view gets no record), closing it and
// opening it again; then opens each of archive, stores it the same way and closes it again (one that
// was open stays open); at last the store file is made complete on disk, so that copying the data
// folder copies every record. An engine error stops the command, with the failed instance open again.
void WriteThrough(Store& store, const QList<Table*>& instances, const QList<Table*>& archive);

} // namespace Maintenance
