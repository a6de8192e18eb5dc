#pragma once

#include <QByteArray>
#include <QString>

// The store's SQL as the PostgreSQL server takes it. The routines write one SQL for both engines (see
// Connection.h); the differences that are only a matter of spelling are made here, token by token, so
// that no text inside a quoted constant is ever touched:
// - names in double quotes go to lower case, as the server keeps the register's names (unquoted names
//   it folds to lower case by itself);
// - bound values ? (numbered in order), ?N and :name become $N;
// - IFNULL( becomes COALESCE(;
// - IS [NOT] followed by a number or a bound value compares as IS [NOT] DISTINCT FROM.
namespace PgSql {

struct Translated
{
    QByteArray sql; // UTF-8
    int parameters = 0;
};

Translated translate(const QString& sql);

} // namespace PgSql
