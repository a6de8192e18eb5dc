#include "store/Connection.h"

#include "store/Errors.h"
#include "store/Schema.h"

using namespace Qt::Literals::StringLiterals;

QString Connection::markSql(const TableDef& def, Rows) const
{
    throw StoreError(u"The marks of %1 are fields of its records here"_s.arg(def.file));
}

QString Connection::markWhereSql(const TableDef& def, const QString& valueSql, const QString& whereSql) const
{
    QString sql = u"UPDATE "_s + tableForWriting(def) + u" AS a SET \"WRK\" = ("_s + valueSql + u')';
    if (!whereSql.isEmpty()) sql += u" WHERE "_s + whereSql;
    return sql;
}

void Connection::clearMarks(const TableDef&)
{
}

void Connection::rowIdsTaken(const TableDef&)
{
}
