#include "TestBackend.h"
#include "crash/CrashLoops.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/admin/Backup.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// Every loop that writes many records is killed with SIGKILL at random moments, many times over, in a
// child process (crash_child). After each kill the store opens, passes SQLite's integrity check, keeps
// its record counts right and holds the state before or after a whole round, never a mix, and every
// record the child reported posted is there. On a server the store is checked once the server has ended
// the killed session; the marks of that session are gone with it, as they should be. The loops and how to
// add one: crash/CrashLoops.h.
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

// The whole content of every table but the witness table, as every counter sees it (not the marks of the
// session reading it): equal digests, equal stores. The records in their order, not their row ids: a
// server's row ids come from a sequence, which a rolled back transaction never gives back.
QByteArray contentDigest(Store& store, const QString& witness)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const TableDef& def : Schema::tables()) {
        if (def.file == witness) continue;
        QStringList fields;
        for (const FieldDef& f : def.fields)
            fields << u'"' + f.name + u'"';
        const QString sql =
            u"SELECT %1 FROM %2 ORDER BY rowid"_s.arg(fields.join(u", "_s), store.connection().sharedTable(def));
        hash.addData(def.sqlName.toUtf8());
        hash.addData(TestBackend::rows(store, sql, int(fields.size())).join(u'\n').toUtf8());
    }
    return hash.result();
}

// The states of the rounds run one after the other without a crash: states[k] after k rounds.
class Reference
{
public:
    Reference(const CrashLoops::Loop& loop, const QString& location, const QString& files)
        : m_loop(loop), m_location(location), m_files(files), m_store(std::make_unique<Store>(location))
    {
        m_states << contentDigest(*m_store, loop.witness);
    }

    const QByteArray& after(int rounds)
    {
        while (m_states.size() <= rounds) {
            QElapsedTimer timer;
            timer.start();
            const int round = int(m_states.size() - 1);
            if (m_loop.closedRound) {
                m_store.reset();
                m_loop.closedRound(m_location, m_files, round);
                m_store = std::make_unique<Store>(m_location);
            } else {
                m_loop.round(*m_store, round);
            }
            m_roundMs = std::max<qint64>(m_roundMs, timer.elapsed());
            m_states << contentDigest(*m_store, m_loop.witness);
        }
        return m_states.at(rounds);
    }
    qint64 roundMs() const { return m_roundMs; }

private:
    const CrashLoops::Loop& m_loop;
    QString m_location, m_files;
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
        // The set up is the same each time it is made.
        m_work = madeStore(u"work"_s);
        m_states = std::make_unique<Reference>(loop, madeStore(u"reference"_s), m_dir.filePath(u"reference-files"_s));
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
                    {m_loop.name, TestBackend::childLocation(m_work), QString::number(m_rounds),
                     QString::number(qint64(kill) * 10000), m_dir.filePath(u"work-files"_s)});
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
            return u"the child did not die of the kill: "_s + QString::fromUtf8(child.readAllStandardError());
        output += child.readAllStandardOutput();
        const ChildReport report = readReport(output, m_rounds);
        killedBeforeReady += report.ready ? 0 : 1;
        committed += report.lastCommitted + 1 - m_rounds;

        // SQLite's store is checked on a copy of the files as the kill left them: the next child recovers
        // the store itself. A server's is checked as it is, once the killed session has ended.
        const QString check = m_dir.filePath(u"check%1"_s.arg(kill));
        const auto removeCheck = qScopeGuard([&check] { QDir(check).removeRecursively(); });
        if (!TestBackend::onServer() && !copyStore(m_work, check)) return u"the store could not be copied"_s;
        Store store(TestBackend::onServer() ? m_work : check);
        if (!TestBackend::childGone(store)) return u"the server kept the killed child's session"_s;
        if (const QString damage = TestBackend::damage(store); !damage.isEmpty()) return damage;
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
        return keptStoresUnreadable(TestBackend::onServer() ? m_dir.filePath(u"work-files"_s) : check);
    }

    int killedBeforeReady = 0, committed = 0, unreported = 0;

private:
    // What is wrong with a store a restore kept aside in folder, or an empty text.
    static QString keptStoresUnreadable(const QString& folder)
    {
        const QStringList kept = QDir(folder).entryList({u"mervana-replaced-*.db"_s}, QDir::Files);
        for (const QString& name : kept) {
            try {
                Backup::check(QDir(folder).filePath(name));
            } catch (const MervanaError& e) {
                return u"a replaced store kept aside is unreadable: "_s + e.text();
            }
        }
        return {};
    }

    // A new store, set up for the loop.
    QString madeStore(const QString& name)
    {
        const QString location = TestBackend::freshLocation(m_dir.filePath(name));
        Store::createEmpty(location);
        Store store(location);
        m_loop.setup(store);
        return location;
    }

    const CrashLoops::Loop& m_loop;
    QRandomGenerator m_random;
    QTemporaryDir m_dir;
    QString m_work, m_error; // the store the children work on
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
    // Every contract written on its own, with no transaction: a kill within a round leaves a mix.
    Killer killer(CrashLoops::unguardedForSelfTest(), m_seed);
    QVERIFY2(killer.error().isEmpty(), qPrintable(killer.error()));
    QString fault;
    for (int kill = 0; kill < 20 && fault.isEmpty(); ++kill)
        fault = killer.killOnce();
    QVERIFY2(fault.contains(u"neither the state"_s), qPrintable(fault));
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
