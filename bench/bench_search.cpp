// The goods search of the register beside one SQL statement setting the same marks.
//   bench_search [--scale N]   N small shops built here (1000 by default: the "ten shops" set, 600,000 goods)
//   bench_search --set DIR     a copy of the store in DIR instead (one made by mervana-admin demo)
// Each side starts from the same marks (those of another search), both compare in upper case with
// Unicode case mapping: the statement through an SQL function that calls QString::toUpper.
#include "Bench.h"
#include "core/GoodsSearch.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "tools/DemoData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <sqlite3.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::cpuMs;
using Bench::median;
using Bench::print;

constexpr int Repeats = 5; // each side this often, alternating; medians

// MERVANA_UPPER(text): the text in upper case as QString::toUpper gives it.
void upperFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QByteArray upper =
        QString::fromUtf8(text ? text : "", text ? sqlite3_value_bytes(argv[0]) : 0).toUpper().toUtf8();
    sqlite3_result_text(context, upper.constData(), int(upper.size()), SQLITE_TRANSIENT);
}

void registerUpper(Store& store)
{
    QSqlDatabase db = store.database();
    auto* handle = *static_cast<sqlite3* const*>(db.driver()->handle().data());
    sqlite3_create_function_v2(handle, "MERVANA_UPPER", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, upperFunction,
                               nullptr, nullptr, nullptr);
}

void exec(Store& store, const QString& sql, const QList<QVariant>& binds = {})
{
    QSqlQuery q(store.database());
    q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) throw StoreError(q.lastError().text());
}

qint64 scalar(Store& store, const QString& sql)
{
    QSqlQuery q(store.database());
    if (!q.exec(sql) || !q.next()) throw StoreError(q.lastError().text());
    return q.value(0).toLongLong();
}

void markBySql(Store& store, const QString& text)
{
    Transaction transaction(store);
    exec(store, u"UPDATE Inventar SET WRK = (instr(MERVANA_UPPER(IFNULL(SUBJECT, '')), ?) > 0)"_s, {text.toUpper()});
    transaction.commit();
}

// The marks another search would have left: where each side starts.
void startingMarks(Store& store)
{
    markBySql(store, u"retiaz"_s);
    store.touchAll();
}

void compare(Store& store, const QString& text)
{
    Table goods(store, Tab::InventarDbf);
    goods.setIndexName(Col::NUMBER); // as the goods window reads
    goods.open();
    std::vector<double> pass, passCpu, sql, sqlCpu;
    qint64 hits = 0, sqlHits = 0;
    for (int r = 0; r < Repeats; ++r) {
        startingMarks(store);
        std::clock_t cpu = std::clock();
        QElapsedTimer timer;
        timer.start();
        hits = GoodsSearch::mark(goods, text);
        pass.push_back(timer.nsecsElapsed() / 1e6);
        passCpu.push_back(cpuMs(cpu));
        const qint64 stored = scalar(store, u"SELECT COUNT(*) FROM Inventar WHERE WRK = 1"_s);
        if (stored != hits) print(u"    the pass counted %1 hits and stored %2 marks!"_s.arg(hits).arg(stored));

        startingMarks(store);
        cpu = std::clock();
        timer.restart();
        markBySql(store, text);
        sql.push_back(timer.nsecsElapsed() / 1e6);
        sqlCpu.push_back(cpuMs(cpu));
        sqlHits = scalar(store, u"SELECT COUNT(*) FROM Inventar WHERE WRK = 1"_s);
        store.touchAll();
    }
    const double passMs = median(pass), sqlMs = median(sql);
    const double ratio = sqlMs > 0 ? passMs / sqlMs : 0;
    print(
        u"  \"%1\": search %2 ms, one SQL UPDATE %3 ms (medians of %4); ratio %5x (limit 3x) %6; %7 hits%8"_s.arg(text)
            .arg(passMs, 0, 'f', 0)
            .arg(sqlMs, 0, 'f', 0)
            .arg(Repeats)
            .arg(ratio, 0, 'f', 2)
            .arg(ratio <= 3 ? u"ok"_s : u"OVER"_s)
            .arg(hits)
            .arg(hits == sqlHits ? QString() : u" (the statement marked %1!)"_s.arg(sqlHits)));
    const double passCpuMs = median(passCpu), sqlCpuMs = median(sqlCpu);
    print(u"      processor time: search %1 ms, UPDATE %2 ms, ratio %3x"_s.arg(passCpuMs, 0, 'f', 0)
              .arg(sqlCpuMs, 0, 'f', 0)
              .arg(sqlCpuMs > 0 ? passCpuMs / sqlCpuMs : 0.0, 0, 'f', 2));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Bench::SetArguments set;
    if (!Bench::parseSetArguments(QCoreApplication::arguments(), "bench_search", set)) return 2;
    const int scale = set.scale;
    const QString setDir = set.setDir;
    try {
        QTemporaryDir dir;
        if (!dir.isValid()) throw StoreError(u"cannot create a temporary folder"_s);
        if (!setDir.isEmpty()) {
            const QString from = QDir(setDir).filePath(Store::fileName());
            if (!QFile::copy(from, dir.filePath(Store::fileName()))) throw StoreError(u"cannot copy %1"_s.arg(from));
            print(u"Goods search benchmark on a copy of %1"_s.arg(from));
        } else {
            Store::createEmpty(dir.path());
            Store store(dir.path());
            QElapsedTimer timer;
            timer.start();
            DemoData::fill(store, scale, Clock::today());
            print(u"Goods search benchmark, scale %1, set built in %2 s"_s.arg(scale).arg(timer.elapsed() / 1000.0, 0,
                                                                                          'f', 1));
        }
        Store store(dir.path());
        registerUpper(store);
        print(u"  %1 goods"_s.arg(scalar(store, u"SELECT COUNT(*) FROM Inventar"_s)));
        for (const QString& text : {u"zlat"_s, u"kožuch"_s, u" "_s})
            compare(store, text);
        return 0;
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_search: %s\n", qUtf8Printable(e.text()));
        return 1;
    }
}
