#include "core/EuroConversion.h"

#include "core/Money.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "store/engine/Schema.h"
#include "store/trail/Trail.h"

#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace EuroConversion {

namespace {

// A stored value in hundredths, rounded a half away from zero (the same on both engines: ROUND of a numeric).
QString hundredths(const QString& field)
{
    return u"CAST(ROUND(CAST(\"%1\" AS NUMERIC) * 100) AS BIGINT)"_s.arg(field);
}

// Hundredths of a crown to cents of a euro in integers: h * 10000 / 301260, rounded a half away from zero. An empty
// field stays empty.
QString converted(const QString& field)
{
    const QString h = hundredths(field);
    return u"CASE WHEN %1 >= 0 THEN (%1 * 20000 + 301260) / 602520 ELSE -((-%1 * 20000 + 301260) / 602520) END / 100.0"_s
        .arg(h);
}

QString table(Store& store, const QString& sqlName)
{
    return store.connection().sharedTable(store.table(sqlName));
}

// The record count and the sum of each money field of every table, in hundredths.
QList<std::pair<qint64, QList<qint64>>> measure(Store& store)
{
    QList<std::pair<qint64, QList<qint64>>> all;
    for (const auto& [name, fields] : moneyFields()) {
        QStringList sums;
        for (const QString& f : fields)
            sums << u"COALESCE(SUM(%1), 0)"_s.arg(hundredths(f));
        StatementUse q =
            store.statement(u"SELECT COUNT(*), "_s + sums.join(u", "_s) + u" FROM "_s + table(store, name));
        q.exec();
        std::pair<qint64, QList<qint64>> row{q.value(0).toLongLong(), {}};
        for (int i = 0; i < fields.size(); ++i)
            row.second << q.value(i + 1).toLongLong();
        all << row;
    }
    return all;
}

} // namespace

const QList<std::pair<QString, QStringList>>& moneyFields()
{
    static const QList<std::pair<QString, QStringList>> fields{
        {Tab::Zmluvy, {Col::AMOUNT, Col::PAID_SUM}},
        {Tab::Xzmluvy, {Col::AMOUNT, Col::PAID_SUM}},
        {Tab::Predlz, {Col::X_PAID}},
        {Tab::Xpredlz, {Col::X_PAID}},
        {Tab::Inventar, {Col::PRED_SUMA, Col::SUMA1, Col::SUMA2}},
        {Tab::Xinvent, {Col::PRED_SUMA, Col::SUMA1, Col::SUMA2}},
    };
    return fields;
}

QStringList updateStatements(Store& store)
{
    QStringList sql;
    for (const auto& [name, fields] : moneyFields()) {
        QStringList sets;
        for (const QString& f : fields)
            sets << u"\"%1\" = %2"_s.arg(f, converted(f));
        sql << u"UPDATE "_s + table(store, name) + u" SET "_s + sets.join(u", "_s);
    }
    return sql;
}

Result convert(Store& store)
{
    OwnWrite own(store);
    // A second run at the same moment waits here and then finds the euros: nothing is converted twice.
    if (const QString lock = store.connection().trailLockSql(); !lock.isEmpty()) store.exec(lock);
    if (store.readCurrency() == Currency::Eur)
        throw StoreError(
            u"The store %1 counts in euros already; nothing was converted"_s.arg(Store::displayName(store.dataDir())));
    const auto before = measure(store);
    const QStringList updates = updateStatements(store);
    for (const QString& sql : updates)
        store.exec(sql);
    store.deleteAll(store.table(Tab::Prijvyd));
    const auto after = measure(store);

    Result result;
    QJsonObject counts, sums;
    for (qsizetype t = 0; t < moneyFields().size(); ++t) {
        const auto& [name, fields] = moneyFields().at(t);
        result.records.append({name, before.at(t).first});
        counts.insert(name, before.at(t).first);
        for (qsizetype f = 0; f < fields.size(); ++f) {
            const FieldSum sum{name, fields.at(f), before.at(t).second.at(f), after.at(t).second.at(f)};
            result.sums << sum;
            sums.insert(name + u'.' + sum.field,
                        QJsonObject{{u"before"_s, Money::fromCents(sum.before).withUnit(Currency::Skk)},
                                    {u"after"_s, Money::fromCents(sum.after).withUnit(Currency::Eur)}});
        }
    }
    Trail::Entry entry;
    entry.action = Trail::Action::EuroConversion;
    entry.detail = {{u"rate"_s, u"30,1260"_s}, {u"records"_s, counts}, {u"sums"_s, sums}};
    Trail::record(store, entry);
    store.setCurrency(Currency::Eur);
    own.commit();
    store.touchAll();
    return result;
}

} // namespace EuroConversion
