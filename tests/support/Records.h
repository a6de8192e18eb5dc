#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

#include "store/trail/Trail.h"

class Store;

// Records written as a clerk writes them, through a table instance (each with its trail row): what the suites set
// up their stores with.
namespace Records {

// Field values by name: a QDate is a date, a bool a flag, anything else the text a box would hold.
using Values = QList<std::pair<QString, QVariant>>;

// One record of file (Osoby.DBF, ...); its row id.
qint64 write(Store& store, const QString& file, const Values& values);
// A person by birth number and surname, and any other fields.
qint64 addPerson(Store& store, const QString& birthNumber, const QString& lastName, const Values& more = {});
// A contract by number and its pledger's birth number, and any other fields.
qint64 addContract(Store& store, const QString& number, const QString& birthNumber, const Values& more = {});

// The trail's rows of one action, oldest first.
QList<Trail::Row> trailRows(Store& store, const QString& action);

} // namespace Records
