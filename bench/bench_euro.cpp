// Measures convert-euro on the "ten shops" set (scale 1000: some 2.5 million money values, live and archived):
// EuroConversion::convert (the sums before and after, the updates, the work table emptied, the trail row, the
// currency) against the same UPDATE statements run bare in one transaction. Goal: at most 3 times as long. The
// backup that mervana-admin writes first is timed apart.
//   bench_euro [--scale N] [--archive-before YEAR]    N small shops (1000 by default); contracts signed before
//                                                    1 January of YEAR are archived first (the year before last)

#include "Bench.h"
#include "core/EuroConversion.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/admin/Backup.h"
#include "store/engine/Errors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::print;

// The set is built in a child process, as the other benchmarks do, so that the generator's memory stays out.
bool buildSet(const QString& dir, int scale, int archiveBefore)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {u"--fill"_s, dir, u"--scale"_s, QString::number(scale),
                                                          u"--archive-before"_s, QString::number(archiveBefore)});
    return child.waitForFinished(-1) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

// Moves the contracts signed before the year, with their goods and extensions, into the archive tables: plain SQL,
// only so that the archive holds money to convert.
void archiveOld(Store& store, int year)
{
    const QString before = QDate(year, 1, 1).toString(Qt::ISODate);
    Transaction transaction(store);
    const QString old = u"SELECT NUMBER FROM Zmluvy WHERE AGRDATE < '%1'"_s.arg(before);
    for (const auto& [to, from, fields] :
         {std::tuple{
              u"Xzmluvy"_s, u"Zmluvy"_s,
              u"BIRTHNUM, NUMBER, AGRDATE, AMOUNT, PERCENT, WEEKTIME, UNTIL, PAID, PAID_SUM, PAID_DATE, RETURNED, "
              u"RETUDATE, RETENT, PADAK"_s},
          std::tuple{u"Xpredlz"_s, u"Predlz"_s, u"NUMBER, X_UNTIL, X_PERCENT, X_PAID, X_PAIDDATE"_s},
          std::tuple{u"Xinvent"_s, u"Inventar"_s,
                     u"NUMBER, SUBJECT, VRATENE, PREDANE, PREPADNUTE, PRED_DATUM, PRED_SUMA, SUMA1, SUMA2"_s}}) {
        store.exec(u"INSERT INTO %1 (%3) SELECT %3 FROM %2 WHERE NUMBER IN (%4)"_s.arg(to, from, fields, old));
        if (from != u"Zmluvy"_s) store.exec(u"DELETE FROM %1 WHERE NUMBER IN (%2)"_s.arg(from, old));
    }
    store.exec(u"DELETE FROM Zmluvy WHERE AGRDATE < '%1'"_s.arg(before));
    transaction.commit();
    store.checkpoint();
}

double msSince(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int scale = 1000, archiveBefore = Clock::today().year() - 1;
    QString fillDir;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--scale"_s && i + 1 < args.size())
            scale = args.at(++i).toInt();
        else if (args.at(i) == u"--archive-before"_s && i + 1 < args.size())
            archiveBefore = args.at(++i).toInt();
        else if (args.at(i) == u"--fill"_s && i + 1 < args.size())
            fillDir = args.at(++i);
        else {
            std::fputs("usage: bench_euro [--scale N] [--archive-before YEAR]\n", stderr);
            return 2;
        }
    }
    if (scale < 1 || scale > DemoData::MaxScale) {
        std::fputs("bench_euro: --scale needs 1 to the demo's largest\n", stderr);
        return 2;
    }
    try {
        if (!fillDir.isEmpty()) {
            Store store(fillDir);
            DemoData::fill(store, scale, Clock::today());
            archiveOld(store, archiveBefore);
            return 0;
        }
        QTemporaryDir tmp;
        const QString first = tmp.filePath(u"a"_s), second = tmp.filePath(u"b"_s);
        for (const QString& dir : {first, second}) {
            QDir().mkpath(dir);
            Store::createEmpty(dir);
        }
        print(u"Euro conversion benchmark, scale %1"_s.arg(scale));
        if (!buildSet(first, scale, archiveBefore)) return 1;
        QFile::remove(QDir(second).filePath(Store::fileName()));
        if (!QFile::copy(QDir(first).filePath(Store::fileName()), QDir(second).filePath(Store::fileName()))) return 1;

        QElapsedTimer timer;
        double converting = 0, bare = 0, backup = 0;
        qint64 values = 0;
        {
            Store store(first);
            timer.start();
            Backup::write(first, tmp.filePath(u"backup"_s), QDateTime::currentDateTime());
            backup = msSince(timer);
            timer.start();
            const EuroConversion::Result result = EuroConversion::convert(store);
            converting = msSince(timer);
            for (const auto& [table, records] : result.records)
                for (const auto& [name, fields] : EuroConversion::moneyFields())
                    if (name == table) values += records * fields.size();
        }
        {
            Store store(second);
            timer.start();
            Transaction transaction(store);
            for (const QString& sql : EuroConversion::updateStatements(store))
                store.exec(sql);
            transaction.commit();
            bare = msSince(timer);
        }
        const double ratio = bare > 0 ? converting / bare : 0;
        print(u"    %1 money values: EuroConversion::convert %2 ms; the UPDATE statements bare %3 ms; ratio %4x (goal "
              u"3x) %5; the backup before it %6 ms"_s.arg(values)
                  .arg(converting, 0, 'f', 0)
                  .arg(bare, 0, 'f', 0)
                  .arg(ratio, 0, 'f', 2)
                  .arg(ratio <= 3 ? u"ok"_s : u"OVER"_s)
                  .arg(backup, 0, 'f', 0));
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_euro: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
