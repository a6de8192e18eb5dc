// Measures the two writing passes of the day reports on the "ten shops" set against SQL doing the same:
//   (a) the cash statement's refill of Prijvyd.dbf for one year, walking the contracts, extensions and goods
//       through table instances, against one INSERT ... SELECT per kind of movement;
//   (b) the marking of the contracts due on one day, through table instances, against one UPDATE.
// Both sides of each run in the same process on the same store, alternating, five times; medians printed.
//   bench_dayreports                 builds the set in a temporary folder (about a minute)
//   bench_dayreports --set DIR       a copy of a store made by mervana-admin demo --scale 1000
#include "Bench.h"
#include "core/ExpiryMarks.h"
#include "core/IncomeExpense.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "tools/DemoData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::cpuMs;
using Bench::median;
using Bench::print;

constexpr int Repeats = 5;

// Processor time since start: on a shared machine it varies less than the elapsed time.
// Elapsed and processor time of one side, each the median of its runs.
struct Side
{
    std::vector<double> elapsed, cpu;
    void add(const QElapsedTimer& timer, std::clock_t start)
    {
        elapsed.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs(start));
    }
};

QSqlQuery run(Store& store, const QString& sql, const QVariantList& binds = {})
{
    QSqlQuery q(store.database());
    q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) throw StoreError(q.lastError().text() + u": "_s + sql);
    return q;
}

qint64 scalar(Store& store, const QString& sql, const QVariantList& binds = {})
{
    QSqlQuery q = run(store, sql, binds);
    return q.next() ? q.value(0).toLongLong() : 0;
}

// The work table as a multiset of rows, to see that both sides gathered the same.
QStringList workRows(Store& store)
{
    QStringList rows;
    QSqlQuery q = run(store, u"SELECT NUMBER, DATE, AMOUNT, PAID_SUM, X_PAID, PRED_SUMA FROM Prijvyd"_s);
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < 6; ++i)
            values << q.value(i).toString();
        rows << values.join(u'|');
    }
    rows.sort();
    return rows;
}

QStringList markedContracts(Store& store)
{
    QStringList numbers;
    QSqlQuery q = run(store, u"SELECT NUMBER FROM Zmluvy WHERE WRK = 1"_s);
    while (q.next())
        numbers << q.value(0).toString();
    numbers.sort();
    return numbers;
}

void printRatio(const QString& what, const Side& ours, const Side& sql, qint64 rows)
{
    const double elapsed = median(ours.elapsed), sqlElapsed = median(sql.elapsed);
    const double cpu = median(ours.cpu), sqlCpu = median(sql.cpu);
    const double ratio = sqlElapsed > 0 ? elapsed / sqlElapsed : 0;
    print(
        u"%1: through the tables %2 ms, SQL %3 ms (medians of %4); ratio %5x (goal at most 3x) %6; %7 rows"_s.arg(what)
            .arg(elapsed, 0, 'f', 0)
            .arg(sqlElapsed, 0, 'f', 0)
            .arg(Repeats)
            .arg(ratio, 0, 'f', 2)
            .arg(ratio <= 3 ? u"ok"_s : u"OVER"_s)
            .arg(rows));
    print(u"    processor time: through the tables %1 ms, SQL %2 ms, ratio %3x"_s.arg(cpu, 0, 'f', 0)
              .arg(sqlCpu, 0, 'f', 0)
              .arg(sqlCpu > 0 ? cpu / sqlCpu : 0, 0, 'f', 2));
}

void incomeExpense(Shop& shop, const QDate& from, const QDate& to)
{
    Store& store = shop.store();
    const QVariantList period{from.toString(Qt::ISODate), to.toString(Qt::ISODate)};
    Side ours, sql;
    QStringList oursRows, sqlRows;
    for (int r = 0; r < Repeats; ++r) {
        QElapsedTimer timer;
        std::clock_t cpu = std::clock();
        timer.start();
        IncomeExpense::fill(*shop.Table5, *shop.Table1, *shop.Table3, *shop.Table4, from, to);
        ours.add(timer, cpu);
        if (r == 0) oursRows = workRows(store);

        cpu = std::clock();
        timer.restart();
        {
            Transaction transaction(store);
            run(store, u"DELETE FROM Prijvyd"_s);
            run(store,
                u"INSERT INTO Prijvyd (NUMBER, DATE, AMOUNT) SELECT NUMBER, AGRDATE, AMOUNT FROM Zmluvy "
                u"WHERE AGRDATE BETWEEN ? AND ?"_s,
                period);
            run(store,
                u"INSERT INTO Prijvyd (NUMBER, DATE, PAID_SUM) SELECT NUMBER, PAID_DATE, PAID_SUM FROM Zmluvy "
                u"WHERE PAID_DATE BETWEEN ? AND ?"_s,
                period);
            run(store,
                u"INSERT INTO Prijvyd (NUMBER, DATE, X_PAID) SELECT NUMBER, X_PAIDDATE, X_PAID FROM Predlz "
                u"WHERE X_PAIDDATE BETWEEN ? AND ?"_s,
                period);
            run(store,
                u"INSERT INTO Prijvyd (NUMBER, DATE, PRED_SUMA) SELECT NUMBER, PRED_DATUM, PRED_SUMA FROM Inventar "
                u"WHERE PRED_DATUM BETWEEN ? AND ?"_s,
                period);
            transaction.commit();
        }
        store.touchAll();
        sql.add(timer, cpu);
        if (r == 0) sqlRows = workRows(store);
    }
    printRatio(u"(a) cash statement %1 to %2, refill of Prijvyd.dbf"_s.arg(from.toString(u"d.M.yyyy"_s),
                                                                           to.toString(u"d.M.yyyy"_s)),
               ours, sql, oursRows.size());
    if (oursRows != sqlRows)
        print(u"    the two sides gathered different rows (%1 and %2)"_s.arg(oursRows.size()).arg(sqlRows.size()));
}

void expiry(Shop& shop, const QDate& day, const QString& startingFrom, const QString& reset)
{
    Store& store = shop.store();
    const QString iso = day.toString(Qt::ISODate);
    Side ours, sql;
    QStringList oursMarks, sqlMarks;
    for (int r = 0; r < Repeats; ++r) {
        run(store, reset);
        store.touchAll();
        QElapsedTimer timer;
        std::clock_t cpu = std::clock();
        timer.start();
        ExpiryMarks::mark(*shop.Table1, *shop.Table3, day);
        ours.add(timer, cpu);
        if (r == 0) oursMarks = markedContracts(store);

        run(store, reset);
        store.touchAll();
        cpu = std::clock();
        timer.restart();
        {
            Transaction transaction(store);
            run(store,
                u"UPDATE Zmluvy SET WRK = CASE WHEN UNTIL = ? THEN NOT (IFNULL(PAID, 0) OR IFNULL(RETURNED, 0) OR "
                u"IFNULL(PADAK, 0) OR IFNULL(RETENT, 0)) ELSE IFNULL(NUMBER, '') IN (SELECT IFNULL(NUMBER, '') FROM "
                u"Predlz WHERE X_UNTIL = ?) END"_s,
                {iso, iso});
            transaction.commit();
        }
        store.touchAll();
        sql.add(timer, cpu);
        if (r == 0) sqlMarks = markedContracts(store);
    }
    printRatio(u"(b) contracts due on %1, marking from %2"_s.arg(day.toString(u"d.M.yyyy"_s), startingFrom), ours, sql,
               scalar(store, u"SELECT COUNT(*) FROM Zmluvy"_s));
    print(u"    marked: %1 contracts%2"_s.arg(oursMarks.size())
              .arg(oursMarks == sqlMarks ? QString() : u"; the UPDATE marked %1 others"_s.arg(sqlMarks.size())));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the shop's name from a configuration of its own
    const QStringList args = app.arguments().mid(1);
    try {
        QTemporaryDir dir;
        if (!dir.isValid()) throw StoreError(u"cannot create a temporary folder"_s);
        const qsizetype set = args.indexOf(u"--set"_s);
        if (set >= 0 && set + 1 < args.size()) {
            if (!QFile::copy(QDir(args.at(set + 1)).filePath(Store::fileName()), dir.filePath(Store::fileName())))
                throw StoreError(u"cannot copy the store in %1"_s.arg(args.at(set + 1)));
        } else {
            print(u"building the \"ten shops\" set (scale 1000)..."_s);
            Store::createEmpty(dir.path());
            Store store(dir.path());
            DemoData::fill(store, 1000, QDate::currentDate());
        }
        Shop shop(dir.path());
        Store& store = shop.store();
        print(u"%1 contracts, %2 extensions, %3 goods"_s.arg(scalar(store, u"SELECT COUNT(*) FROM Zmluvy"_s))
                  .arg(scalar(store, u"SELECT COUNT(*) FROM Predlz"_s))
                  .arg(scalar(store, u"SELECT COUNT(*) FROM Inventar"_s)));

        // The last whole calendar year of the set.
        QSqlQuery latest = run(store, u"SELECT MAX(AGRDATE) FROM Zmluvy"_s);
        const int year = latest.next() ? QDate::fromString(latest.value(0).toString(), Qt::ISODate).year() - 1 : 2025;
        incomeExpense(shop, QDate(year, 1, 1), QDate(year, 12, 31));

        // The day on which most extensions end, so that both ways of falling due count.
        QSqlQuery busiest = run(store, u"SELECT X_UNTIL FROM Predlz WHERE X_UNTIL IS NOT NULL GROUP BY X_UNTIL "
                                       u"ORDER BY COUNT(*) DESC, X_UNTIL LIMIT 1"_s);
        const QDate day = busiest.next() ? QDate::fromString(busiest.value(0).toString(), Qt::ISODate) : QDate();
        expiry(shop, day, u"every contract marked"_s, u"UPDATE Zmluvy SET WRK = 1"_s);
        expiry(shop, day, u"none marked"_s, u"UPDATE Zmluvy SET WRK = 0"_s);
        return 0;
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_dayreports: %s\n", qUtf8Printable(e.text()));
        return 1;
    }
}
