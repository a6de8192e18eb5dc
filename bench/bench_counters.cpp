// Load held by one server: several counters writing at once through the table instances, each write with its
// trail rows, some of them editing the same records.
//   bench_counters [--seconds N] [--counters N]   on a throw-away PostgreSQL cluster with the server's default
//                                                 durability (fsync and synchronous_commit on)
//   ... --server URI                              on an empty database or schema there instead
// Each counter is this program again (--counter K) in a process of its own.
#include "Bench.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "store/trail/Trail.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::print;

constexpr int SharedContracts = 4; // edited by every counter: "medzitým zmenila" is refused there
constexpr double P95Goal = 50;     // ms
const QString Person = u"7001010000"_s;

QString sharedNumber(int i)
{
    return u"97/%1"_s.arg(i + 1, 5, 10, QChar(u'0'));
}

// A counter's own contracts: numbers no other counter writes.
QString ownNumber(int counter, int serial)
{
    return u"%1/%2"_s.arg(60 + counter).arg(serial, 5, 10, QChar(u'0'));
}

// A throw-away cluster as the tests start one, but durable as a server is by default; gone with this object.
class Cluster
{
public:
    explicit Cluster(int port) : m_port(port)
    {
        if (!m_dir.isValid()) throw StoreError(u"cannot create a temporary folder"_s);
        const QString bin = u"/usr/lib/postgresql/15/bin/"_s;
        // The server refuses to run as root: then as the user the Debian package makes.
        if (::geteuid() == 0) {
            m_asOwner = {u"-u"_s, u"postgres"_s, u"--"_s};
            run(u"chown"_s, {u"postgres:"_s, m_dir.path()});
        }
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        runAsOwner(bin + u"initdb"_s, {u"-D"_s, data(), u"-U"_s, u"mervana"_s, u"-A"_s, u"trust"_s, u"-E"_s, u"UTF8"_s,
                                       u"--locale=C.UTF-8"_s});
        runAsOwner(bin + u"pg_ctl"_s,
                   {u"-D"_s, data(), u"-l"_s, m_dir.filePath(u"server.log"_s), u"-w"_s, u"-o"_s,
                    u"-k %1 -c listen_addresses= -p %2 -c max_connections=100"_s.arg(m_dir.path()).arg(m_port),
                    u"start"_s});
        m_started = true;
        run(bin + u"createdb"_s,
            {u"-h"_s, m_dir.path(), u"-p"_s, QString::number(m_port), u"-U"_s, u"mervana"_s, u"mervana"_s});
    }
    ~Cluster()
    {
        if (!m_started) return;
        try {
            runAsOwner(u"/usr/lib/postgresql/15/bin/pg_ctl"_s, {u"-D"_s, data(), u"-m"_s, u"immediate"_s, u"stop"_s});
        } catch (const MervanaError&) {
            // The folder goes all the same.
        }
    }
    Cluster(const Cluster&) = delete;
    Cluster& operator=(const Cluster&) = delete;

    QString uri() const
    {
        // The socket's folder as the host, its slashes escaped (not through arg(): "%2F" is a place marker there).
        return u"postgresql://"_s + QString(m_dir.path()).replace(u'/', u"%2F"_s) + u':' + QString::number(m_port) +
               u"/mervana?user=mervana"_s;
    }

private:
    QString data() const { return m_dir.filePath(u"data"_s); }
    void runAsOwner(const QString& program, const QStringList& args)
    {
        if (m_asOwner.isEmpty()) return run(program, args);
        run(u"runuser"_s, m_asOwner + QStringList{program} + args);
    }
    static void run(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            throw StoreError(u"%1 failed: %2"_s.arg(program, QString::fromLocal8Bit(p.readAll())));
    }

    QTemporaryDir m_dir;
    int m_port;
    QStringList m_asOwner;
    bool m_started = false;
};

// The person the contracts name, and the shared contracts every counter edits.
void seed(const QString& location)
{
    Store store(location);
    Table persons(store, Tab::OsobyDbf), contracts(store, Tab::ZmluvyDbf);
    persons.open();
    contracts.open();
    Transaction transaction(store);
    persons.append();
    persons.field(Col::BIRTHNUM).setAsString(Person);
    persons.field(Col::LASTNAME).setAsString(u"Skúšobný"_s);
    persons.field(Col::FIRSNAME).setAsString(u"Jozef"_s);
    persons.post();
    for (int i = 0; i < SharedContracts; ++i) {
        contracts.append();
        contracts.field(Col::NUMBER).setAsString(sharedNumber(i));
        contracts.field(Col::BIRTHNUM).setAsString(Person);
        contracts.field(Col::AGRDATE).setAsDate(QDate(2026, 1, 5));
        contracts.field(Col::AMOUNT).setAsFloat(0);
        contracts.post();
    }
    transaction.commit();
}

// What one counter did, as it writes it to its file: a line per acknowledged write, "kind microseconds",
// then its totals.
struct CounterLog
{
    std::vector<double> latencies; // ms, acknowledged writes only
    qint64 added = 0, extended = 0, sharedEdits = 0, refused = 0, failed = 0;
    double amounts = 0; // sum of the AMOUNT of the contracts it added
};

// One counter: for `seconds`, a new contract with two items (one transaction), an extension of one of its own
// contracts with the contract's new due date (one transaction), or a shared contract's AMOUNT raised by one
// (posted alone, refused when another counter changed it since it was read).
int counter(const QString& location, int k, int seconds, const QString& out)
{
    Store store(location);
    Table contracts(store, Tab::ZmluvyDbf), goods(store, Tab::InventarDbf), extensions(store, Tab::PredlzDbf);
    contracts.setIndexName(Col::NUMBER);
    for (Table* t : {&contracts, &goods, &extensions})
        t->open();
    QRandomGenerator rng(quint32(1000 + k));
    CounterLog log;
    QStringList own;
    const QDate today(2026, 3, 2);
    QElapsedTimer running, timer;
    running.start();
    while (running.elapsed() < seconds * 1000LL) {
        const int roll = int(rng.bounded(10));
        const int kind = roll < 5 || own.isEmpty() ? 0 : roll < 7 ? 1 : 2;
        timer.start();
        try {
            if (kind == 0) {
                const QString number = ownNumber(k, int(own.size()) + 1);
                const double amount = 100 + rng.bounded(5000);
                Transaction transaction(store);
                contracts.append();
                contracts.field(Col::NUMBER).setAsString(number);
                contracts.field(Col::BIRTHNUM).setAsString(Person);
                contracts.field(Col::AGRDATE).setAsDate(today);
                contracts.field(Col::UNTIL).setAsDate(today.addDays(30));
                contracts.field(Col::AMOUNT).setAsFloat(amount);
                contracts.field(Col::PERCENT).setAsFloat(10);
                contracts.post();
                for (int item = 0; item < 2; ++item) {
                    goods.append();
                    goods.field(Col::NUMBER).setAsString(number);
                    goods.field(Col::SUBJECT).setAsString(u"Prsteň %1"_s.arg(item + 1));
                    goods.field(Col::SUMA1).setAsFloat(amount / 2);
                    goods.post();
                }
                transaction.commit();
                own << number;
                ++log.added;
                log.amounts += amount;
            } else if (kind == 1) {
                const QString number = own.at(rng.bounded(int(own.size())));
                Transaction transaction(store);
                if (!contracts.findKey(number)) throw StoreError(u"own contract %1 not found"_s.arg(number));
                const QDate until = contracts.field(Col::UNTIL).asDate().addDays(30);
                extensions.append();
                extensions.field(Col::NUMBER).setAsString(number);
                extensions.field(Col::X_UNTIL).setAsDate(until);
                extensions.field(Col::X_PAID).setAsFloat(50);
                extensions.post();
                contracts.edit();
                contracts.field(Col::UNTIL).setAsDate(until);
                contracts.post();
                transaction.commit();
                ++log.extended;
            } else {
                if (!contracts.findKey(sharedNumber(int(rng.bounded(SharedContracts)))))
                    throw StoreError(u"a shared contract is missing"_s);
                contracts.edit();
                contracts.field(Col::AMOUNT).setAsFloat(contracts.field(Col::AMOUNT).asFloat() + 1);
                contracts.post();
                ++log.sharedEdits;
            }
            log.latencies.push_back(double(timer.nsecsElapsed()) / 1e6);
        } catch (const RecordChanged&) {
            ++log.refused;
        } catch (const MervanaError& e) {
            for (Table* t : {&contracts, &goods, &extensions})
                t->cancel();
            if (++log.failed <= 3) std::fprintf(stderr, "counter %d: %s\n", k, qUtf8Printable(e.text()));
        }
    }
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    QTextStream stream(&file);
    for (const double ms : log.latencies)
        stream << ms << '\n';
    stream << "totals " << log.added << ' ' << log.extended << ' ' << log.sharedEdits << ' ' << log.refused << ' '
           << log.failed << ' ' << qint64(log.amounts) << '\n';
    return 0;
}

bool readLog(const QString& path, CounterLog& log)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bool totals = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("totals ")) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() != 7) return false;
            log.added = f.at(1).toLongLong();
            log.extended = f.at(2).toLongLong();
            log.sharedEdits = f.at(3).toLongLong();
            log.refused = f.at(4).toLongLong();
            log.failed = f.at(5).toLongLong();
            log.amounts = f.at(6).toDouble();
            totals = true;
        } else if (!line.isEmpty()) {
            log.latencies.push_back(line.toDouble());
        }
    }
    return totals;
}

double percentile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty()) return 0;
    return sorted.at(std::min(sorted.size() - 1, size_t(p / 100.0 * double(sorted.size()))));
}

// Every acknowledged write is there: each counter's contracts, items, extensions and the sum of its amounts,
// and the shared contracts raised by exactly the edits acknowledged. Prints what is missing.
bool verify(Store& store, const std::vector<CounterLog>& logs)
{
    bool ok = true;
    qint64 sharedEdits = 0;
    for (size_t k = 0; k < logs.size(); ++k) {
        const CounterLog& log = logs.at(k);
        sharedEdits += log.sharedEdits;
        const QString like = u"%1/%"_s.arg(60 + int(k));
        const qint64 contracts =
            store.scalar(u"SELECT COUNT(*) FROM Zmluvy WHERE NUMBER LIKE ?"_s, {like}).toLongLong();
        const qint64 amounts = qRound64(
            store.scalar(u"SELECT COALESCE(SUM(AMOUNT), 0) FROM Zmluvy WHERE NUMBER LIKE ?"_s, {like}).toDouble());
        const qint64 items = store.scalar(u"SELECT COUNT(*) FROM Inventar WHERE NUMBER LIKE ?"_s, {like}).toLongLong();
        const qint64 extensions =
            store.scalar(u"SELECT COUNT(*) FROM Predlz WHERE NUMBER LIKE ?"_s, {like}).toLongLong();
        if (contracts != log.added || amounts != qint64(log.amounts) || items != 2 * log.added ||
            extensions != log.extended) {
            ok = false;
            print(u"    counter %1: acknowledged %2 contracts (amounts %3), %4 items, %5 extensions; stored %6 (%7), "
                  u"%8, %9"_s.arg(k)
                      .arg(log.added)
                      .arg(qint64(log.amounts))
                      .arg(2 * log.added)
                      .arg(log.extended)
                      .arg(contracts)
                      .arg(amounts)
                      .arg(items)
                      .arg(extensions));
        }
    }
    const qint64 raised =
        qRound64(store.scalar(u"SELECT COALESCE(SUM(AMOUNT), 0) FROM Zmluvy WHERE NUMBER LIKE '97/%'"_s).toDouble());
    if (raised != sharedEdits) {
        ok = false;
        print(u"    the shared contracts were raised by %1, the acknowledged edits were %2"_s.arg(raised).arg(
            sharedEdits));
    }
    return ok;
}

int run(const QString& location, int counters, int seconds)
{
    Store::createEmpty(location);
    seed(location);
    QTemporaryDir logs;
    if (!logs.isValid()) throw StoreError(u"cannot create a temporary folder"_s);
    std::vector<std::unique_ptr<QProcess>> children;
    for (int k = 0; k < counters; ++k) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        children.back()->start(QCoreApplication::applicationFilePath(),
                               {u"--counter"_s, QString::number(k), u"--server"_s, location, u"--seconds"_s,
                                QString::number(seconds), u"--out"_s, logs.filePath(QString::number(k))});
    }
    std::vector<CounterLog> results(size_t(counters), CounterLog{});
    bool complete = true;
    for (int k = 0; k < counters; ++k) {
        QProcess& child = *children.at(size_t(k));
        const bool done = child.waitForFinished((seconds + 120) * 1000);
        if (!done || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 ||
            !readLog(logs.filePath(QString::number(k)), results.at(size_t(k)))) {
            print(u"    counter %1 did not finish its run"_s.arg(k));
            complete = false;
        }
    }
    std::vector<double> latencies;
    qint64 refused = 0, failed = 0, added = 0, extended = 0, shared = 0;
    for (const CounterLog& log : results) {
        latencies.insert(latencies.end(), log.latencies.begin(), log.latencies.end());
        refused += log.refused;
        failed += log.failed;
        added += log.added;
        extended += log.extended;
        shared += log.sharedEdits;
    }
    std::sort(latencies.begin(), latencies.end());
    const double p95 = percentile(latencies, 95);
    print(u"    %1 acknowledged writes in %2 s: %3 writes per second (%4 new contracts with 2 items, %5 extensions, "
          u"%6 edits of the %7 shared contracts)"_s.arg(latencies.size())
              .arg(seconds)
              .arg(double(latencies.size()) / seconds, 0, 'f', 1)
              .arg(added)
              .arg(extended)
              .arg(shared)
              .arg(SharedContracts));
    print(u"    a write's time: p50 %1 ms, p95 %2 ms (goal at most %3 ms) %4, p99 %5 ms"_s
              .arg(percentile(latencies, 50), 0, 'f', 1)
              .arg(p95, 0, 'f', 1)
              .arg(P95Goal)
              .arg(p95 <= P95Goal ? u"ok"_s : u"OVER"_s)
              .arg(percentile(latencies, 99), 0, 'f', 1));
    print(u"    refused (\"medzitým zmenila\"): %1; failed otherwise: %2"_s.arg(refused).arg(failed));
    Store store(location);
    const bool present = complete && verify(store, results);
    print(u"    every acknowledged write present: %1"_s.arg(present ? u"yes"_s : u"NO"_s));
    const Trail::Verdict verdict = Trail::verify(store);
    print(u"    audit-verify: %1"_s.arg(verdict.ok() ? u"intact, %1 rows"_s.arg(verdict.intact)
                                                     : u"BROKEN at SEQ %1: %2"_s.arg(verdict.badSeq).arg(verdict.why)));
    return present && verdict.ok() ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int seconds = 60, counters = 8, child = -1, port = 55990;
    QString server, out;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == u"--seconds"_s && hasValue)
            seconds = args.at(++i).toInt();
        else if (a == u"--counters"_s && hasValue)
            counters = args.at(++i).toInt();
        else if (a == u"--server"_s && hasValue)
            server = args.at(++i);
        else if (a == u"--port"_s && hasValue)
            port = args.at(++i).toInt();
        else if (a == u"--counter"_s && hasValue)
            child = args.at(++i).toInt();
        else if (a == u"--out"_s && hasValue)
            out = args.at(++i);
        else {
            std::fputs("usage: bench_counters [--seconds N] [--counters N] [--server URI | --port PORT]\n", stderr);
            return 2;
        }
    }
    if (seconds < 1 || counters < 1 || counters > 30) {
        std::fputs("bench_counters: --seconds needs a positive number, --counters 1 to 30\n", stderr);
        return 2;
    }
    try {
        if (child >= 0) return counter(server, child, seconds, out);
        std::unique_ptr<Cluster> cluster;
        if (server.isEmpty()) {
            cluster = std::make_unique<Cluster>(port);
            server = cluster->uri();
            print(u"Counters on a throw-away PostgreSQL cluster (fsync and synchronous_commit on, as by default):"_s);
        } else {
            print(u"Counters on the PostgreSQL server %1:"_s.arg(server));
        }
        print(u"    %1 counter processes for %2 s each"_s.arg(counters).arg(seconds));
        return run(server, counters, seconds);
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_counters: %s\n", qUtf8Printable(e.text()));
        return 1;
    }
}
