#pragma once

#include "store/Store.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTest>
#include <QUuid>

// The records of a table as text, in record order, one line each: fields joined by '|', empty ones as
// "-", whole numbers stored as numbers (INTEGER) plain, floating point ones (REAL) always with a point,
// so that a value stored with another storage class shows. Tests compare stores with it field by field.
namespace StoreDump {

inline QString cell(const QVariant& v)
{
    if (v.isNull()) return QStringLiteral("-");
    switch (v.typeId()) {
    case QMetaType::Double: {
        const double d = v.toDouble();
        const QString text = QString::number(d, 'g', 17);
        return text.contains(u'.') || text.contains(u'e') ? text : text + QStringLiteral(".0");
    }
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(v.toLongLong());
    default:
        return v.toString();
    }
}

// Every record of table as every counter of a server store sees it (marks of no session).
inline QStringList serverTable(const QString& location, const QString& table)
{
    Store store(location);
    const TableDef& def = *Schema::find(table);
    QStringList names;
    for (const FieldDef& f : def.fields)
        names << u'"' + f.name + u'"';
    Statement& q = store.statement(
        QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(names.join(u", "), store.connection().sharedTable(def)));
    QStringList lines;
    while (q.step()) {
        QStringList cells;
        for (int i = 0; i < names.size(); ++i)
            cells << cell(q.value(i));
        lines << cells.join(u'|');
    }
    q.reset();
    return lines;
}

// Every record of table in the store at location: a store file, a data folder, or a server store.
inline QStringList table(const QString& location, const QString& table)
{
    if (Store::isServerLocation(location)) return serverTable(location, table);
    const QString path = QFileInfo(location).isDir() ? location + QStringLiteral("/mervana.db") : location;
    const QString connection = QUuid::createUuid().toString();
    QStringList lines;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) qFatal("%s: %s", qPrintable(path), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)))
            qFatal("%s: %s", qPrintable(table), qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << cell(q.value(i));
            lines << cells.join(u'|');
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return lines;
}

// Every table of the register in the store at location (as table() takes it), each headed by its name.
inline QStringList store(const QString& location)
{
    QStringList lines;
    for (const TableDef& def : Schema::tables()) {
        lines << QStringLiteral("== ") + def.sqlName;
        lines << table(location, def.sqlName);
    }
    return lines;
}

} // namespace StoreDump
