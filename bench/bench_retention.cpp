// Measures retention on the "ten shops" set (80,000 persons at scale 1000): finding who is due and anonymising them
// in one transaction through Retention::anonymiseDue, against the same done with plain SQL statements (one query
// for the due, three updates along the birth number indexes and a key deletion per person, no trail rows). Goal: at
// most 3 times as long.
//   bench_retention [--scale N] [--years Y]     N small shops (1000 by default); data kept Y years (10)
#include "Bench.h"
#include "core/Retention.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::print;

// The set is built in a child process, as bench_store does, so that the generator's memory stays out.
bool buildSet(const QString& dir, int scale)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {u"--fill"_s, dir, u"--scale"_s, QString::number(scale)});
    return child.waitForFinished(-1) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

// The due persons by one query: per contract whether it is finished and its latest date, per person whether every
// contract is finished and the latest of them before the day.
QString dueSql(bool server)
{
    const QString greatest = server ? u"GREATEST"_s : u"MAX"_s;
    const auto side = [&](const QString& contracts, const QString& goods, const QString& extensions) {
        return uR"(SELECT c.BIRTHNUM AS b,
    CASE WHEN COALESCE(c.PADAK, 0) <> 0 THEN COALESCE(g.unsold, 0) = 0 ELSE COALESCE(c.PAID, 0) <> 0 END AS finished,
    %4(COALESCE(c.AGRDATE, ''), COALESCE(c.UNTIL, ''), COALESCE(c.PAID_DATE, ''), COALESCE(c.RETUDATE, ''),
       COALESCE(g.sold, ''), COALESCE(e.latest, '')) AS latest
  FROM %1 c
  LEFT JOIN (SELECT NUMBER, MAX(CASE WHEN COALESCE(PREDANE, 0) = 0 THEN 1 ELSE 0 END) AS unsold,
                    MAX(PRED_DATUM) AS sold FROM %2 GROUP BY NUMBER) g ON g.NUMBER = c.NUMBER
  LEFT JOIN (SELECT NUMBER, %4(COALESCE(MAX(X_UNTIL), ''), COALESCE(MAX(X_PAIDDATE), '')) AS latest
               FROM %3 GROUP BY NUMBER) e ON e.NUMBER = c.NUMBER)"_s.arg(contracts, goods, extensions, greatest);
    };
    return u"SELECT k.b FROM ("_s + side(u"Zmluvy"_s, u"Inventar"_s, u"Predlz"_s) + u" UNION ALL "_s +
           side(u"Xzmluvy"_s, u"Xinvent"_s, u"Xpredlz"_s) + uR"() k
  JOIN (SELECT DISTINCT BIRTHNUM FROM Osoby WHERE COALESCE(BLACK, 0) = 0 AND BIRTHNUM NOT LIKE 'X%') p
    ON p.BIRTHNUM = k.b
  GROUP BY k.b
  HAVING MIN(CASE WHEN k.finished AND k.latest <> '' THEN 1 ELSE 0 END) = 1 AND MAX(k.latest) < ?)"_s;
}

qint64 plainSql(Store& store, const QDate& today, int years)
{
    Transaction transaction(store);
    QStringList due;
    StatementUse q = store.statement(dueSql(store.isServer()));
    q.addBindValue(today.addYears(-years).toString(Qt::ISODate));
    q.exec();
    while (q.next())
        due << q.value(0).toString();
    qint64 n = 0;
    for (const QString& b : std::as_const(due)) {
        const QString pseudonym = u"X%1"_s.arg(++n, 9, 10, QLatin1Char('0'));
        const QVariant blank;
        for (const auto& [sql, values] :
             {std::pair{u"UPDATE Osoby SET BIRTHNUM = ?, LASTNAME = ?, FIRSNAME = ?, IDCARD = ?, STREET = ?, "
                        u"STREETNO = ?, CITY = ?, REASON = ? WHERE IFNULL(BIRTHNUM, '') = ?"_s,
                        QList<QVariant>{pseudonym, blank, blank, blank, blank, blank, blank, blank, b}},
              std::pair{u"UPDATE Zmluvy SET BIRTHNUM = ? WHERE IFNULL(BIRTHNUM, '') = ?"_s,
                        QList<QVariant>{pseudonym, b}},
              std::pair{u"UPDATE Xzmluvy SET BIRTHNUM = ? WHERE BIRTHNUM = ?"_s, QList<QVariant>{pseudonym, b}}}) {
            StatementUse s = store.statement(sql);
            s.bind(values);
            s.exec();
        }
        Trail::deleteKey(store, b);
    }
    transaction.commit();
    return due.size();
}

// Two copies of the set: one for each way, so that both find the same persons due.
void measure(const QString& first, const QString& second, const QDate& today, int years)
{
    QElapsedTimer timer;
    qint64 anonymised = 0, plain = 0;
    double routine = 0, sql = 0;
    {
        Store store(first);
        timer.start();
        anonymised = Retention::anonymiseDue(store, today, years).size();
        routine = timer.nsecsElapsed() / 1e6;
    }
    {
        Store store(second);
        timer.start();
        plain = plainSql(store, today, years);
        sql = timer.nsecsElapsed() / 1e6;
    }
    const double ratio = sql > 0 ? routine / sql : 0;
    print(u"    retention on %1, kept %2 years: Retention::anonymiseDue %3 persons in %4 ms; plain SQL %5 persons in "
          u"%6 ms; ratio %7x (goal 3x) %8%9"_s.arg(today.toString(Qt::ISODate))
              .arg(years)
              .arg(anonymised)
              .arg(routine, 0, 'f', 0)
              .arg(plain)
              .arg(sql, 0, 'f', 0)
              .arg(ratio, 0, 'f', 2)
              .arg(ratio <= 3 ? u"ok"_s : u"OVER"_s)
              .arg(anonymised == plain ? QString() : u" (the two found different persons!)"_s));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int scale = 1000, years = 10;
    QString fillDir;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--scale"_s && i + 1 < args.size())
            scale = args.at(++i).toInt();
        else if (args.at(i) == u"--years"_s && i + 1 < args.size())
            years = args.at(++i).toInt();
        else if (args.at(i) == u"--fill"_s && i + 1 < args.size())
            fillDir = args.at(++i);
        else {
            std::fputs("usage: bench_retention [--scale N] [--years Y]\n", stderr);
            return 2;
        }
    }
    if (scale < 1 || scale > DemoData::MaxScale || years < 1) {
        std::fputs("bench_retention: --scale needs 1 to the demo's largest, --years at least 1\n", stderr);
        return 2;
    }
    try {
        if (!fillDir.isEmpty()) {
            Store store(fillDir);
            DemoData::fill(store, scale, Clock::today());
            return 0;
        }
        QTemporaryDir tmp;
        const QString first = tmp.filePath(u"a"_s), second = tmp.filePath(u"b"_s);
        for (const QString& dir : {first, second}) {
            QDir().mkpath(dir);
            Store::createEmpty(dir);
        }
        const DemoData::Counts c = DemoData::countsFor(scale);
        print(u"Retention benchmark, scale %1: %2 persons, %3 contracts"_s.arg(scale).arg(c.persons).arg(c.contracts));
        if (!buildSet(first, scale)) return 1;
        {
            Store store(first);
            store.checkpoint();
        }
        QFile::remove(QDir(second).filePath(Store::fileName()));
        if (!QFile::copy(QDir(first).filePath(Store::fileName()), QDir(second).filePath(Store::fileName()))) return 1;
        // The demo's contracts end within the last years: the day is moved on so that many of them are due.
        const QDate today = Clock::today().addYears(years + 2);
        print(u"On SQLite:"_s);
        measure(first, second, today, years);
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_retention: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
