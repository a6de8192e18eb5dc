#include "crash/CrashLoops.h"
#include "store/Clock.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// Every loop that writes many records is killed with SIGKILL at random moments, many times over, in a
// child process (crash_child). After each kill the store opens, passes SQLite's integrity check and
// holds the state before or after a whole round, never a mix, and every record the child reported
// posted is there. The loops and how to add one: crash/CrashLoops.h.
class TestCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void killedLoop_data();
    void killedLoop();
    void harnessSeesAHalfWrittenLoop();

private:
    quint32 m_seed = 0;
};

namespace {

// Kills a loop: as many as a dozen seconds allow, within these bounds, so that a slow build (the
// sanitizers on a busy machine) keeps the suite's time and a fast one kills more often.
constexpr int MostKills = 35;
constexpr int FewestKills = 12;
constexpr qint64 KillingMs = 12000;

// The store's files as they are (with a journal a kill left behind): a copy is the same crashed store.
bool copyStore(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(QDir(to).filePath(name));
        if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name))) return false;
    }
    return true;
}

// The whole content of every table but the witness table: equal digests, equal stores.
QByteArray contentDigest(Store& store, const QString& witness)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QString skip = witness.isEmpty() ? QString() : store.table(witness).sqlName;
    for (const TableDef& def : Schema::tables()) {
        if (def.sqlName == skip) continue;
        QSqlQuery q(store.database());
        if (!q.exec(u"SELECT rowid, * FROM \"%1\" ORDER BY rowid"_s.arg(def.sqlName))) return {};
        hash.addData(def.sqlName.toUtf8());
        while (q.next()) {
            for (int i = 0; i < q.record().count(); ++i) {
                const QVariant v = q.value(i);
                hash.addData(v.isNull() ? QByteArrayView("\x01N") : QByteArrayView("\x01V"));
                hash.addData(v.typeId() == QMetaType::Double ? QByteArray::number(v.toDouble(), 'g', 17)
                                                             : v.toString().toUtf8());
            }
            hash.addData(QByteArrayView("\x02"));
        }
    }
    return hash.result();
}

QString integrity(Store& store)
{
    QSqlQuery q(store.database());
    if (!q.exec(u"PRAGMA integrity_check"_s)) return u"integrity_check failed to run"_s;
    QStringList lines;
    while (q.next())
        lines << q.value(0).toString();
    return lines.join(u'\n');
}

// The counts the store keeps beside its tables, for grids, must match the tables themselves.
QString countMismatch(Store& store)
{
    QSqlQuery q(store.database());
    if (!q.exec(u"SELECT name, n FROM RecordCounts"_s)) return {};
    while (q.next()) {
        QSqlQuery c(store.database());
        c.exec(u"SELECT COUNT(*) FROM \"%1\""_s.arg(q.value(0).toString()));
        if (!c.next() || c.value(0).toLongLong() != q.value(1).toLongLong())
            return u"%1 keeps %2 records counted"_s.arg(q.value(0).toString()).arg(q.value(1).toLongLong());
    }
    return {};
}

// The states of the rounds run one after the other without a crash: states[k] after k rounds.
class Reference
{
public:
    Reference(const CrashLoops::Loop& loop, const QString& dir) : m_loop(loop), m_store(std::make_unique<Store>(dir))
    {
        m_states << contentDigest(*m_store, loop.witness);
    }

    const QByteArray& after(int rounds)
    {
        while (m_states.size() <= rounds) {
            QElapsedTimer timer;
            timer.start();
            m_loop.round(*m_store, int(m_states.size() - 1));
            m_roundMs = std::max<qint64>(m_roundMs, timer.elapsed());
            m_states << contentDigest(*m_store, m_loop.witness);
        }
        return m_states.at(rounds);
    }
    qint64 roundMs() const { return m_roundMs; }

private:
    const CrashLoops::Loop& m_loop;
    std::unique_ptr<Store> m_store;
    QList<QByteArray> m_states;
    qint64 m_roundMs = 1;
};

struct ChildReport
{
    QList<qint64> posted;
    int lastCommitted = -1;
    bool ready = false;
};

ChildReport readReport(const QByteArray& output, int firstRound)
{
    ChildReport r;
    r.lastCommitted = firstRound - 1;
    for (const QByteArray& line : output.split('\n')) {
        if (line == "ready") r.ready = true;
        if (line.startsWith("posted ")) r.posted << line.mid(7).toLongLong();
        if (line.startsWith("committed ")) r.lastCommitted = line.mid(10).toInt();
    }
    return r;
}

// Runs one loop's child again and again on one store, killing it each time, and checks the store after
// every kill.
class Killer
{
public:
    Killer(const CrashLoops::Loop& loop, quint32 seed) : m_loop(loop), m_random(seed)
    {
        if (!m_dir.isValid()) {
            m_error = u"no temporary folder"_s;
            return;
        }
        const QString start = m_dir.filePath(u"start"_s), reference = m_dir.filePath(u"reference"_s);
        m_work = m_dir.filePath(u"work"_s);
        Store::createEmpty(start);
        {
            Store store(start);
            loop.setup(store);
        }
        if (!copyStore(start, reference) || !copyStore(start, m_work)) {
            m_error = u"the store could not be copied"_s;
            return;
        }
        m_states = std::make_unique<Reference>(loop, reference);
        m_states->after(1); // measures a round
    }

    QString error() const { return m_error; }
    qint64 roundMs() const { return m_states->roundMs(); }

    // One child started, killed with SIGKILL and the store checked: empty when sound, else what is wrong.
    QString killOnce()
    {
        const int kill = m_kills++;
        QProcess child;
        child.start(QStringLiteral(CRASH_CHILD),
                    {m_loop.name, m_work, QString::number(m_rounds), QString::number(qint64(kill) * 10000)});
        if (!child.waitForStarted()) return child.errorString();
        // Now and then while it opens the store, which recovers it from the last kill; mostly anywhere
        // within a few rounds.
        QByteArray output;
        if (m_random.bounded(6) == 0) {
            QThread::msleep(m_random.bounded(quint32(m_openMs + 1)));
        } else {
            QElapsedTimer opening;
            opening.start();
            while (!output.contains("ready\n") && child.waitForReadyRead(5000))
                output += child.readAllStandardOutput();
            m_openMs = std::max(m_openMs, opening.elapsed());
            QThread::msleep(m_random.bounded(quint32(roundMs() * 5 / 2 + 10)));
        }
        if (child.state() != QProcess::Running)
            return u"the child ended by itself: "_s + QString::fromUtf8(child.readAllStandardError());
        child.kill(); // SIGKILL
        if (!child.waitForFinished(5000) || child.exitStatus() != QProcess::CrashExit)
            return u"the child did not die of the kill"_s;
        output += child.readAllStandardOutput();
        const ChildReport report = readReport(output, m_rounds);
        killedBeforeReady += report.ready ? 0 : 1;
        committed += report.lastCommitted + 1 - m_rounds;

        // Checked on a copy of the files as the kill left them: the next child recovers the store itself.
        const QString check = m_dir.filePath(u"check%1"_s.arg(kill));
        if (!copyStore(m_work, check)) return u"the store could not be copied"_s;
        const auto removeCheck = qScopeGuard([&check] { QDir(check).removeRecursively(); });
        Store store(check);
        if (const QString result = integrity(store); result != u"ok"_s) return u"integrity check: "_s + result;
        if (const QString mismatch = countMismatch(store); !mismatch.isEmpty()) return mismatch;
        const QByteArray now = contentDigest(store, m_loop.witness);
        const int before = report.lastCommitted + 1;
        if (now == m_states->after(before)) {
            m_rounds = before;
        } else if (now == m_states->after(before + 1)) {
            m_rounds = before + 1; // stored, killed before it could say so
            ++unreported;
        } else {
            return u"kill %1: the store holds neither the state after %2 rounds nor after %3"_s.arg(kill)
                .arg(before)
                .arg(before + 1);
        }
        for (qint64 id : report.posted)
            if (!CrashLoops::hasWitness(store, m_loop, id)) return u"witness %1 lost"_s.arg(id);
        return {};
    }

    int killedBeforeReady = 0, committed = 0, unreported = 0;

private:
    const CrashLoops::Loop& m_loop;
    QRandomGenerator m_random;
    QTemporaryDir m_dir;
    QString m_work, m_error;
    std::unique_ptr<Reference> m_states;
    int m_kills = 0;
    int m_rounds = 0; // rounds the work store holds
    qint64 m_openMs = 20;
};

} // namespace

void TestCrash::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(CRASH_CHILD)), CRASH_CHILD);
    const QByteArray fixed = qgetenv("MERVANA_CRASH_SEED");
    m_seed = fixed.isEmpty() ? QRandomGenerator::global()->generate() : fixed.toUInt();
    qInfo("kill moments from seed %u (MERVANA_CRASH_SEED repeats them)", m_seed);
    Clock::setToday(CrashLoops::Today);
}

void TestCrash::killedLoop_data()
{
    QTest::addColumn<QString>("loop");
    for (const CrashLoops::Loop& loop : CrashLoops::all())
        QTest::newRow(qPrintable(loop.name)) << loop.name;
}

void TestCrash::killedLoop()
{
    QFETCH(QString, loop);
    Killer killer(*CrashLoops::find(loop), m_seed);
    QVERIFY2(killer.error().isEmpty(), qPrintable(killer.error()));
    QElapsedTimer spent;
    spent.start();
    int kills = 0;
    while (kills < FewestKills || (kills < MostKills && spent.elapsed() < KillingMs)) {
        const QString fault = killer.killOnce();
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        ++kills;
    }
    qInfo("%d kills: %d while opening, %d rounds stored, %d stored but not reported; a round takes %lld ms", kills,
          killer.killedBeforeReady, killer.committed, killer.unreported, killer.roundMs());
}

void TestCrash::harnessSeesAHalfWrittenLoop()
{
    // The same marking, but every record stored on its own: a kill within a round leaves a mix.
    Killer killer(CrashLoops::unguardedForSelfTest(), m_seed);
    QVERIFY2(killer.error().isEmpty(), qPrintable(killer.error()));
    QString fault;
    for (int kill = 0; kill < 20 && fault.isEmpty(); ++kill)
        fault = killer.killOnce();
    QVERIFY2(fault.contains(u"neither the state"_s), qPrintable(fault));
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
