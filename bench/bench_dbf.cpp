// Measures the moves in and out of the store on the "ten shops" set and prints each ratio next to its goal.
//   bench_dbf [--scale N]     N small shops (1000 by default: 300k contracts)
//   bench_dbf --set DIR       a copy of the store in DIR instead (one made by mervana-admin demo)
// (a) importing the set exported as table files, against inserting the same rows through prepared
//     statements in one transaction; (b) the backup of the store, against copying its file.
#include "Bench.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/admin/Backup.h"
#include "store/dbf/DbfTransfer.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "tools/DemoData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using Bench::median;

namespace {

void print(const QString& text)
{
    std::fputs(qUtf8Printable(text + u'\n'), stdout);
    std::fflush(stdout);
}

QString verdict(double ratio, double goal)
{
    return ratio <= goal ? u"ok"_s : u"OVER"_s;
}

// Each side of a comparison runs this often, alternating; the medians are compared.
constexpr int Repeats = 3;

struct Rows
{
    const TableDef* def;
    QList<QList<QVariant>> rows;
};

// Every record of the eight tables, read before the clock starts, for the plain inserts.
std::vector<Rows> readAll(const QString& dataDir)
{
    Store store(dataDir);
    std::vector<Rows> all;
    for (const TableDef& def : Schema::tables()) {
        Rows r{&def, {}};
        Statement& q = store.statement(u"SELECT * FROM \"%1\" ORDER BY rowid"_s.arg(def.sqlName));
        while (q.step()) {
            QList<QVariant> row;
            for (int i = 0; i < def.fields.size(); ++i)
                row << q.value(i);
            r.rows << row;
        }
        q.reset();
        all.push_back(std::move(r));
    }
    return all;
}

double insertPlain(const QString& dataDir, const std::vector<Rows>& all)
{
    Store store(dataDir);
    QElapsedTimer timer;
    timer.start();
    Transaction transaction(store);
    for (const Rows& r : all) {
        QStringList names, marks;
        for (const FieldDef& f : r.def->fields) {
            names << u'"' + f.name + u'"';
            marks << u"?"_s;
        }
        Statement& insert = store.statement(
            u"INSERT INTO \"%1\" (%2) VALUES (%3)"_s.arg(r.def->sqlName, names.join(u", "_s), marks.join(u", "_s)));
        for (const QList<QVariant>& row : r.rows) {
            for (int i = 0; i < row.size(); ++i)
                insert.bind(i + 1, row.at(i));
            insert.step();
            insert.reset();
        }
    }
    transaction.commit();
    return double(timer.nsecsElapsed()) / 1e6;
}

double importFiles(const QString& dataDir, const QString& source)
{
    Store store(dataDir);
    QElapsedTimer timer;
    timer.start();
    DbfTransfer::importTables(store, source, {});
    return double(timer.nsecsElapsed()) / 1e6;
}

// A copy as durable as the backup: written and flushed to the disk.
double copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    QElapsedTimer timer;
    timer.start();
    if (!QFile::copy(from, to)) throw StoreError(u"cannot copy %1"_s.arg(from));
    const int fd = ::open(QFile::encodeName(to).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Bench::SetArguments set;
    if (!Bench::parseSetArguments(QCoreApplication::arguments(), "bench_dbf", set)) return 2;
    const int scale = set.scale;
    const QString setDir = set.setDir;
    try {
        QTemporaryDir tmp;
        if (!tmp.isValid()) throw StoreError(u"cannot create a temporary folder"_s);
        const QString data = tmp.filePath(u"Data"_s);
        QElapsedTimer timer;
        timer.start();
        if (!setDir.isEmpty()) {
            QDir().mkpath(data);
            const QString from = QDir(setDir).filePath(Store::fileName());
            if (!QFile::copy(from, QDir(data).filePath(Store::fileName())))
                throw StoreError(u"cannot copy %1"_s.arg(from));
            print(u"Table file and backup benchmark on a copy of %1"_s.arg(from));
        } else {
            Store::createEmpty(data);
            Store store(data);
            const DemoData::Counts c = DemoData::fill(store, scale, Clock::today());
            print(u"Table file and backup benchmark, scale %1: %2 contracts, %3 goods, %4 extensions, %5 persons"_s
                      .arg(scale)
                      .arg(c.contracts)
                      .arg(c.goods)
                      .arg(c.extensions)
                      .arg(c.persons));
        }
        const QString storeFile = QDir(data).filePath(Store::fileName());
        print(u"    set ready in %1 s, store file %2 MB"_s.arg(timer.elapsed() / 1000.0, 0, 'f', 1)
                  .arg(QFileInfo(storeFile).size() / 1048576.0, 0, 'f', 1));

        const QString files = tmp.filePath(u"dbf"_s);
        timer.restart();
        {
            Store store(data);
            DbfTransfer::exportTables(store, files, 852, Clock::today());
        }
        qint64 bytes = 0;
        for (const QFileInfo& f : QDir(files).entryInfoList(QDir::Files))
            bytes += f.size();
        print(u"    export to table files: %1 ms, %2 MB"_s.arg(timer.elapsed()).arg(bytes / 1048576.0, 0, 'f', 1));

        const std::vector<Rows> rows = readAll(data);
        qint64 records = 0;
        for (const Rows& r : rows)
            records += r.rows.size();
        std::vector<double> imports, inserts;
        for (int i = 0; i < Repeats; ++i) {
            const QString a = tmp.filePath(u"import%1"_s.arg(i));
            const QString b = tmp.filePath(u"insert%1"_s.arg(i));
            Store::createEmpty(a);
            Store::createEmpty(b);
            imports.push_back(importFiles(a, files));
            inserts.push_back(insertPlain(b, rows));
            QDir(a).removeRecursively();
            QDir(b).removeRecursively();
        }
        const double importMs = median(imports), insertMs = median(inserts);
        const double importRatio = importMs / insertMs;
        print(u"(a) import of %1 records from table files: %2 ms; the same rows through prepared inserts in one "
              u"transaction: %3 ms (medians of %4); ratio %5x (goal 2x) %6"_s.arg(records)
                  .arg(importMs, 0, 'f', 0)
                  .arg(insertMs, 0, 'f', 0)
                  .arg(Repeats)
                  .arg(importRatio, 0, 'f', 2)
                  .arg(verdict(importRatio, 2)));

        std::vector<double> backups, onlines, copies;
        const QString copy = tmp.filePath(u"copy.db"_s);
        const QString online = tmp.filePath(u"online.db"_s);
        for (int i = 0; i < Repeats; ++i) {
            const QString dest = tmp.filePath(u"bk%1"_s.arg(i));
            timer.restart();
            Backup::write(data, dest, Clock::now());
            backups.push_back(double(timer.nsecsElapsed()) / 1e6);
            QDir(dest).removeRecursively();
            timer.restart();
            Backup::copyStore(data, online);
            onlines.push_back(double(timer.nsecsElapsed()) / 1e6);
            copies.push_back(copyFile(storeFile, copy));
        }
        const double backupMs = median(backups), onlineMs = median(onlines), copyMs = median(copies);
        print(u"(b) the store copied through the online backup and flushed: %1 ms; its file copied and flushed: "
              u"%2 ms (medians of %3); ratio %4x (goal 2x) %5"_s.arg(onlineMs, 0, 'f', 0)
                  .arg(copyMs, 0, 'f', 0)
                  .arg(Repeats)
                  .arg(onlineMs / copyMs, 0, 'f', 2)
                  .arg(verdict(onlineMs / copyMs, 2)));
        print(u"    the whole backup command, with the integrity check of the copy: %1 ms, %2x the file copy"_s
                  .arg(backupMs, 0, 'f', 0)
                  .arg(backupMs / copyMs, 0, 'f', 1));
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_dbf: %s\n", qUtf8Printable(e.text()));
        return 1;
    }
    return 0;
}
