// Measures the archive on the "ten shops" set: ten years of finished contracts moved out with their
// goods and extensions, and the whole archive moved back, through table instances as the archive
// window does it, against the same moves as plain SQL (INSERT ... SELECT and DELETE in one
// transaction), each on a copy of the same store. Both sides must leave the same records.
//   bench_archive [--scale N]    builds the set (1000 shops by default; about a minute)
//   bench_archive --set DIR      a copy of a store made by mervana-admin demo instead
#include "Bench.h"
#include "core/ArchiveMove.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "store/engine/Schema.h"
#include "tools/DemoData.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::print;

struct Timing
{
    double ms = 0;
    double cpuMs = 0;
};

class Stopwatch
{
public:
    Stopwatch() : m_cpu(std::clock()) { m_timer.start(); }
    Timing elapsed() const
    {
        return {double(m_timer.nsecsElapsed()) / 1e6, double(std::clock() - m_cpu) * 1000.0 / CLOCKS_PER_SEC};
    }

private:
    QElapsedTimer m_timer;
    std::clock_t m_cpu;
};

void run(QSqlQuery& q, const QString& sql, const QVariantList& values = {})
{
    if (!q.prepare(sql)) throw StoreError(q.lastError().text());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) throw StoreError(q.lastError().text());
}

// The fields an archive table shares with its live table, quoted and joined.
QString sharedFields(const QString& archiveFile)
{
    QStringList names;
    for (const FieldDef& f : Schema::find(archiveFile)->fields)
        names << u'"' + f.name + u'"';
    return names.join(u", "_s);
}

const struct
{
    QString live;
    QString archive;
} Pairs[] = {{u"Inventar"_s, u"Xinvent"_s}, {u"Predlz"_s, u"Xpredlz"_s}, {u"Zmluvy"_s, u"Xzmluvy"_s}};

// The move out as plain SQL: the same marks, then INSERT ... SELECT and DELETE, in one transaction.
void sqlMoveOut(Store& store, const QDate& from, const QDate& to)
{
    Transaction transaction(store);
    QSqlQuery q(store.database());
    run(q, u"UPDATE Inventar SET WRK = 0 WHERE WRK IS NOT 0"_s);
    run(q, u"UPDATE Predlz SET WRK = 0 WHERE WRK IS NOT 0"_s);
    run(q,
        u"UPDATE Zmluvy SET WRK = CASE WHEN IFNULL(AGRDATE, '1899-12-30') BETWEEN ? AND ? AND "
        u"((IFNULL(PAID,0) <> 0 AND IFNULL(RETURNED,0) <> 0) OR (IFNULL(PADAK,0) <> 0 AND NOT EXISTS (SELECT 1 "
        u"FROM Inventar g WHERE IFNULL(g.NUMBER,'') = IFNULL(Zmluvy.NUMBER,'') AND IFNULL(g.PREDANE,0) = 0))) "
        u"THEN 1 ELSE 0 END"_s,
        {from.toString(Qt::ISODate), to.toString(Qt::ISODate)});
    for (const QString& child : {u"Inventar"_s, u"Predlz"_s})
        run(q,
            u"UPDATE %1 SET WRK = 1 WHERE IFNULL(NUMBER,'') IN (SELECT IFNULL(NUMBER,'') FROM Zmluvy WHERE WRK = 1)"_s
                .arg(child));
    for (const auto& p : Pairs) {
        const QString fields = sharedFields(p.archive);
        run(q, u"INSERT INTO %1 (%2) SELECT %2 FROM %3 WHERE WRK = 1"_s.arg(p.archive, fields, p.live));
        run(q, u"DELETE FROM %1 WHERE WRK = 1"_s.arg(p.live));
    }
    q.finish();
    transaction.commit();
    store.touchAll();
}

void sqlMoveBack(Store& store)
{
    Transaction transaction(store);
    QSqlQuery q(store.database());
    for (const auto& p : Pairs) {
        const QString fields = sharedFields(p.archive);
        run(q, u"INSERT INTO %1 (%2) SELECT %2 FROM %3"_s.arg(p.live, fields, p.archive));
        run(q, u"DELETE FROM %1"_s.arg(p.archive));
    }
    q.finish();
    transaction.commit();
    store.touchAll();
}

// What the six tables hold, whatever the order of their records: a digest of every row, sorted.
QByteArray digest(Store& store, qint64* records)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    *records = 0;
    QSqlQuery q(store.database());
    for (const auto& p : Pairs) {
        for (const QString& table : {p.live, p.archive}) {
            const TableDef* def = Schema::find(table);
            QStringList columns;
            for (const FieldDef& f : def->fields)
                columns << u"quote(\""_s + f.name + u"\")"_s;
            const QString row = columns.join(u" || '|' || "_s);
            run(q, u"SELECT %1 FROM \"%2\" ORDER BY 1"_s.arg(row, def->sqlName));
            hash.addData(table.toUtf8());
            while (q.next()) {
                hash.addData(q.value(0).toString().toUtf8());
                ++*records;
            }
        }
    }
    return hash.result().toHex();
}

qint64 count(Store& store, const QString& table)
{
    QSqlQuery q(store.database());
    run(q, u"SELECT COUNT(*) FROM \"%1\""_s.arg(table));
    return q.next() ? q.value(0).toLongLong() : 0;
}

struct Side
{
    Timing mark, out, back;
    QByteArray afterOut, afterBack;
    qint64 contractsMoved = 0;
};

Side measureTables(const QString& dir, const QDate& from, const QDate& to)
{
    Side s;
    Store store(dir);
    // As the register windows hold them: on tag NUMBER; the archive instances closed.
    Table contracts(store, Tab::ZmluvyDbf), extensions(store, Tab::PredlzDbf), goods(store, Tab::InventarDbf);
    for (Table* t : {&contracts, &extensions, &goods}) {
        t->setIndexName(Col::NUMBER);
        t->open();
    }
    Table xContracts(store, Tab::XzmluvyDbf), xExtensions(store, Tab::XpredlzDbf), xGoods(store, Tab::XinventDbf);
    const ArchiveMove::Tables live{contracts, extensions, goods};
    const ArchiveMove::Tables archive{xContracts, xExtensions, xGoods};
    {
        const Stopwatch watch;
        ArchiveMove::markFinished(live, from, to);
        s.mark = watch.elapsed();
    }
    {
        const Stopwatch watch;
        s.contractsMoved = ArchiveMove::moveMarked(live, archive).contracts;
        s.out = watch.elapsed();
    }
    qint64 records = 0;
    s.afterOut = digest(store, &records);
    {
        const Stopwatch watch;
        ArchiveMove::moveBack(live, archive);
        s.back = watch.elapsed();
    }
    s.afterBack = digest(store, &records);
    return s;
}

Side measureSql(const QString& dir, const QDate& from, const QDate& to)
{
    Side s;
    Store store(dir);
    {
        const Stopwatch watch;
        sqlMoveOut(store, from, to);
        s.out = watch.elapsed();
    }
    s.contractsMoved = count(store, u"Xzmluvy"_s);
    qint64 records = 0;
    s.afterOut = digest(store, &records);
    {
        const Stopwatch watch;
        sqlMoveBack(store);
        s.back = watch.elapsed();
    }
    s.afterBack = digest(store, &records);
    return s;
}

bool copyStore(const QString& from, const QString& to)
{
    QFile::remove(QDir(to).filePath(Store::fileName()));
    return QFile::copy(QDir(from).filePath(Store::fileName()), QDir(to).filePath(Store::fileName()));
}

QString figure(const Timing& t)
{
    return u"%1 ms (processor %2 ms)"_s.arg(t.ms, 0, 'f', 0).arg(t.cpuMs, 0, 'f', 0);
}

QString ratio(double ours, double sql)
{
    const double r = sql > 0 ? ours / sql : 0;
    return u"%1x (goal at most 3x) %2"_s.arg(r, 0, 'f', 2).arg(r <= 3.0 ? u"ok"_s : u"OVER"_s);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString set;
    int scale = 1000;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--set"_s) set = args[i + 1];
        if (args[i] == u"--scale"_s) scale = args[i + 1].toInt();
    }
    try {
        QTemporaryDir base, work;
        if (!base.isValid() || !work.isValid()) {
            std::fputs("bench_archive: cannot create a temporary folder\n", stderr);
            return 1;
        }
        const QDate today = QDate::currentDate();
        if (set.isEmpty()) {
            Store::createEmpty(base.path());
            Store store(base.path());
            DemoData::fill(store, scale, today);
            set = base.path();
        }
        qint64 contracts = 0, goods = 0, extensions = 0;
        {
            Store store(set);
            contracts = count(store, u"Zmluvy"_s);
            goods = count(store, u"Inventar"_s);
            extensions = count(store, u"Predlz"_s);
            if (count(store, u"Xzmluvy"_s) + count(store, u"Xinvent"_s) + count(store, u"Xpredlz"_s) > 0)
                throw StoreError(u"The set holds archived records already"_s);
        }
        const QDate from = today.addYears(-10);
        print(u"Archive benchmark: %1 contracts, %2 goods, %3 extensions; the period %4 to %5"_s.arg(contracts)
                  .arg(goods)
                  .arg(extensions)
                  .arg(from.toString(u"d.M.yyyy"_s), today.toString(u"d.M.yyyy"_s)));

        // The plain SQL first, then the table instances, each on a fresh copy of the set.
        if (!copyStore(set, work.path())) throw StoreError(u"Cannot copy the store"_s);
        const Side sql = measureSql(work.path(), from, today);
        if (!copyStore(set, work.path())) throw StoreError(u"Cannot copy the store"_s);
        const Side ours = measureTables(work.path(), from, today);

        print(u"moved out: %1 contracts with their goods and extensions"_s.arg(ours.contractsMoved));
        print(u"out, table instances: marking %1, moving %2"_s.arg(figure(ours.mark), figure(ours.out)));
        const Timing oursOut{ours.mark.ms + ours.out.ms, ours.mark.cpuMs + ours.out.cpuMs};
        print(u"out, plain SQL (marks, INSERT ... SELECT, DELETE): %1"_s.arg(figure(sql.out)));
        print(u"out: %1 against %2 ms: ratio "_s.arg(oursOut.ms, 0, 'f', 0).arg(sql.out.ms, 0, 'f', 0) +
              ratio(oursOut.ms, sql.out.ms));
        print(u"back, table instances: %1; plain SQL: %2"_s.arg(figure(ours.back), figure(sql.back)));
        print(u"back: ratio "_s + ratio(ours.back.ms, sql.back.ms));
        const bool same = ours.afterOut == sql.afterOut && ours.afterBack == sql.afterBack &&
                          ours.contractsMoved == sql.contractsMoved;
        print(same ? u"both sides left the same records, out and back"_s
                   : u"THE SIDES DIFFER: the table instances left other records than the plain SQL"_s);
        return same ? 0 : 1;
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_archive: %s\n", qUtf8Printable(e.text()));
        return 1;
    }
}
