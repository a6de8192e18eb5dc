#include "store/engine/Connection.h"

#include "store/engine/Errors.h"
#include "store/engine/Schema.h"

using namespace Qt::Literals::StringLiterals;

QString Connection::markSql(const TableDef& def, Rows) const
{
    throw StoreError(u"The marks of %1 are fields of its records here"_s.arg(def.file));
}

QString Connection::markWhereSql(const TableDef& def, const QString& valueSql, const QString& whereSql) const
{
    QString sql = u"UPDATE "_s + tableForWriting(def) + u" AS a SET \""_s + def.fields.at(def.markField()).name +
                  u"\" = ("_s + valueSql + u')';
    if (!whereSql.isEmpty()) sql += u" WHERE "_s + whereSql;
    return sql;
}

void Connection::clearMarks(const TableDef&) {}

void Connection::marksWritten(const TableDef&, qint64) {}

void Connection::rowIdsTaken(const TableDef&) {}

QString Connection::joinRowIds(const QList<qint64>& rowids, char open, char close)
{
    QByteArray list(1, open);
    for (const qint64 rowid : rowids)
        list += QByteArray::number(rowid) + ',';
    if (rowids.isEmpty())
        list += close;
    else
        list.back() = close;
    return QString::fromLatin1(list);
}
