#include "register/StateQueries.h"

#include "store/Errors.h"
#include "store/Store.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

namespace {

// The state of the contract z; ?1 is today as YYYY-MM-DD.
QString stateCondition(int mode)
{
    const QString open = u"IFNULL(z.PAID,0)=0 AND IFNULL(z.PADAK,0)=0"_s;
    const QString extension = u"SELECT 1 FROM Predlz p WHERE IFNULL(p.NUMBER,'')=IFNULL(z.NUMBER,'')"_s;
    if (mode == 1)
        return open + u" AND (IFNULL(z.UNTIL,'') >= :today OR (IFNULL(z.RETENT,0)=1 AND EXISTS("_s + extension +
               u" AND IFNULL(p.X_UNTIL,'') >= :today)))"_s;
    return open + u" AND IFNULL(z.UNTIL,'') < :today AND (IFNULL(z.RETENT,0)=0 OR (EXISTS("_s + extension +
           u") AND NOT EXISTS("_s + extension + u" AND IFNULL(p.X_UNTIL,'') >= :today)))"_s;
}

void run(Store& store, const QString& sql, const QDate& today, const QString* birthNumber)
{
    QSqlQuery q(store.database());
    if (!q.prepare(sql)) throw StoreError(q.lastError().text());
    q.bindValue(u":today"_s, today.toString(Qt::ISODate));
    if (birthNumber) q.bindValue(u":birth"_s, *birthNumber);
    if (!q.exec()) throw StoreError(q.lastError().text());
}

} // namespace

namespace StateQueries {

void MarkContracts(Store& store, int mode, const QDate& today, const QString& birthNumber)
{
    QString sql = u"UPDATE Zmluvy AS z SET WRK = CASE WHEN "_s + stateCondition(mode == 1 ? 1 : 2);
    if (mode == 6) sql += u" AND IFNULL(z.BIRTHNUM,'') = :birth"_s;
    sql += u" THEN 1 ELSE 0 END"_s;
    run(store, sql, today, mode == 6 ? &birthNumber : nullptr);
    store.touchAll();
}

void MarkGoods(Store& store, int mode, const QDate& today)
{
    const QString sql =
        u"UPDATE Inventar SET WRK = (SELECT CASE WHEN "_s + stateCondition(mode == 1 ? 1 : 2) +
        u" THEN 1 ELSE 0 END FROM Zmluvy z WHERE IFNULL(z.NUMBER,'') = IFNULL(Inventar.NUMBER,'') "
        u"ORDER BY z.rowid DESC LIMIT 1) "
        u"WHERE EXISTS (SELECT 1 FROM Zmluvy z WHERE IFNULL(z.NUMBER,'') = IFNULL(Inventar.NUMBER,''))"_s;
    run(store, sql, today, nullptr);
    store.touchAll();
}

} // namespace StateQueries
