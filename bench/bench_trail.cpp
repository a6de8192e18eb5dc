// Measures the trail of changes: how long audit-verify takes over a long trail, and how fast rows are appended.
//   bench_trail [--rows N]        N rows (1,000,000 by default) in a store made for the purpose
//   ... --server URI              the same on a PostgreSQL server (an empty database or schema there)
#include "Bench.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "store/trail/Trail.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::print;

// Rows as the register writes them: most a change of a contract's fields, every tenth a new person whose values
// are encrypted with their key. Committed a few thousand at a time.
double fill(Store& store, qint64 rows)
{
    constexpr qint64 PerTransaction = 5000;
    QElapsedTimer timer;
    timer.start();
    for (qint64 done = 0; done < rows;) {
        Transaction transaction(store);
        for (qint64 i = 0; i < PerTransaction && done < rows; ++i, ++done) {
            Trail::Entry entry;
            if (done % 10 == 0) {
                entry.action = Trail::Action::PersonalDataPrinted;
                entry.table = u"Osoby"_s;
                entry.key = u"%1"_s.arg(7001010000 + done / 10 % 50000, 10, 10, QChar(u'0'));
                entry.personKey = true;
            } else {
                entry.action = Trail::Action::Change;
                entry.table = u"Zmluvy"_s;
                entry.key = u"26/%1"_s.arg(done % 99999 + 1, 5, 10, QChar(u'0'));
                entry.detail = {{u"fields"_s, QJsonArray{QJsonArray{Col::AMOUNT, u"1000"_s, u"1200"_s},
                                                         QJsonArray{Col::PAID, u""_s, u"1"_s},
                                                         QJsonArray{Col::PAID_DATE, u""_s, u"2026-03-15"_s}}}};
            }
            Trail::record(store, entry);
        }
        transaction.commit();
    }
    return timer.nsecsElapsed() / 1e9;
}

void measure(const QString& location, qint64 rows)
{
    Store::createEmpty(location);
    Store store(location);
    const double filled = fill(store, rows);
    print(u"    %1 rows appended in %2 s (%3 µs a row, %4 rows a transaction)"_s.arg(rows)
              .arg(filled, 0, 'f', 1)
              .arg(filled * 1e6 / double(rows), 0, 'f', 1)
              .arg(5000));
    std::vector<double> times;
    Trail::Verdict verdict;
    for (int r = 0; r < 3; ++r) {
        QElapsedTimer timer;
        timer.start();
        verdict = Trail::verify(store);
        times.push_back(timer.nsecsElapsed() / 1e9);
    }
    const double seconds = Bench::median(times);
    print(u"    audit-verify of %1 rows: %2 s (median of 3; limit 10 s) %3; %4"_s.arg(rows)
              .arg(seconds, 0, 'f', 2)
              .arg(seconds <= 10 ? u"ok"_s : u"OVER"_s)
              .arg(verdict.ok() ? u"intact: %1"_s.arg(verdict.intact) : u"broken at SEQ %1!"_s.arg(verdict.badSeq)));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    qint64 rows = 1000000;
    QString server;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == u"--rows"_s && i + 1 < args.size()) {
            rows = args.at(++i).toLongLong();
        } else if (args.at(i) == u"--server"_s && i + 1 < args.size()) {
            server = args.at(++i);
        } else {
            std::fputs("usage: bench_trail [--rows N] [--server URI]\n", stderr);
            return 2;
        }
    }
    if (rows < 1) {
        std::fputs("bench_trail: --rows needs a positive number\n", stderr);
        return 2;
    }
    try {
        QTemporaryDir dir;
        if (!dir.isValid()) {
            std::fputs("bench_trail: cannot create a temporary folder\n", stderr);
            return 1;
        }
        print(u"Trail of changes on SQLite:"_s);
        measure(dir.path(), rows);
        print(u"    store file %1 MB"_s.arg(QFileInfo(QDir(dir.path()).filePath(Store::fileName())).size() / 1048576.0,
                                            0, 'f', 1));
        if (!server.isEmpty()) {
            print(u"Trail of changes on the PostgreSQL server %1:"_s.arg(server));
            measure(server, rows);
        }
        return 0;
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_trail: %s\n", qUtf8Printable(e.text()));
        return 1;
    }
}
