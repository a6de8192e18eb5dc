#include "core/StateQueries.h"

#include "store/Store.h"
#include "store/engine/Names.h"
#include "store/engine/Schema.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The state of the contract named z; :today is today as YYYY-MM-DD.
QString stateCondition(int mode, const QString& z)
{
    const QString open = u"IFNULL(z.PAID,0)=0 AND IFNULL(z.PADAK,0)=0"_s;
    const QString extension = u"SELECT 1 FROM Predlz p WHERE IFNULL(p.NUMBER,'')=IFNULL(z.NUMBER,'')"_s;
    QString condition;
    if (mode == 1)
        condition = open + u" AND (IFNULL(z.UNTIL,'') >= :today OR (IFNULL(z.RETENT,0)=1 AND EXISTS("_s + extension +
                    u" AND IFNULL(p.X_UNTIL,'') >= :today)))"_s;
    else
        condition = open + u" AND IFNULL(z.UNTIL,'') < :today AND (IFNULL(z.RETENT,0)=0 OR (EXISTS("_s + extension +
                    u") AND NOT EXISTS("_s + extension + u" AND IFNULL(p.X_UNTIL,'') >= :today)))"_s;
    return condition.replace(u"z."_s, z + u'.');
}

} // namespace

namespace StateQueries {

void MarkContracts(Store& store, int mode, const QDate& today, const QString& birthNumber)
{
    QString value = u"CASE WHEN "_s + stateCondition(mode == 1 ? 1 : 2, u"a"_s);
    if (mode == 6) value += u" AND IFNULL(a.BIRTHNUM,'') = :birth"_s;
    value += u" THEN 1 ELSE 0 END"_s;
    QList<QVariant> values{today.toString(Qt::ISODate)};
    if (mode == 6) values << birthNumber;
    store.markWhere(*Schema::find(Tab::Zmluvy), value, {}, values);
    store.touchAll();
}

void MarkGoods(Store& store, int mode, const QDate& today)
{
    const QString value = u"SELECT CASE WHEN "_s + stateCondition(mode == 1 ? 1 : 2, u"z"_s) +
                          u" THEN 1 ELSE 0 END FROM Zmluvy z WHERE IFNULL(z.NUMBER,'') = IFNULL(a.NUMBER,'') "
                          u"ORDER BY z.rowid DESC LIMIT 1"_s;
    const QString where = u"EXISTS (SELECT 1 FROM Zmluvy z WHERE IFNULL(z.NUMBER,'') = IFNULL(a.NUMBER,''))"_s;
    store.markWhere(*Schema::find(Tab::Inventar), value, where, {today.toString(Qt::ISODate)});
    store.touchAll();
}

} // namespace StateQueries
