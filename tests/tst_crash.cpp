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

private:
    quint32 m_seed = 0;
};

namespace {

constexpr int Kills = 50;

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
    const QString skip = store.table(witness).sqlName;
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
    const CrashLoops::Loop& def = *CrashLoops::find(loop);
    QRandomGenerator random(m_seed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString start = dir.filePath(u"start"_s), reference = dir.filePath(u"reference"_s),
                  work = dir.filePath(u"work"_s);
    Store::createEmpty(start);
    {
        Store store(start);
        def.setup(store);
    }
    QVERIFY(copyStore(start, reference));
    QVERIFY(copyStore(start, work));
    Reference states(def, reference);
    states.after(1); // measures a round

    int rounds = 0; // rounds the work store holds
    qint64 openMs = 20;
    int killedBeforeReady = 0, committed = 0, unreported = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QStringLiteral(CRASH_CHILD),
                    {loop, work, QString::number(rounds), QString::number(qint64(kill) * 10000)});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        // Now and then while it opens the store, which recovers it from the last kill; mostly anywhere
        // within a few rounds.
        QByteArray output;
        if (random.bounded(6) == 0) {
            QThread::msleep(random.bounded(quint32(openMs + 1)));
        } else {
            QElapsedTimer opening;
            opening.start();
            while (!output.contains("ready\n") && child.waitForReadyRead(5000))
                output += child.readAllStandardOutput();
            openMs = std::max(openMs, opening.elapsed());
            QThread::msleep(random.bounded(quint32(states.roundMs() * 5 / 2 + 10)));
        }
        if (child.state() != QProcess::Running) {
            QFAIL(qPrintable(u"the child ended by itself: "_s + QString::fromUtf8(child.readAllStandardError())));
        }
        child.kill(); // SIGKILL
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        output += child.readAllStandardOutput();
        const ChildReport report = readReport(output, rounds);
        killedBeforeReady += report.ready ? 0 : 1;
        committed += report.lastCommitted + 1 - rounds;

        // Checked on a copy of the files as the kill left them: the next child recovers the store itself.
        const QString check = dir.filePath(u"check%1"_s.arg(kill));
        QVERIFY(copyStore(work, check));
        const auto removeCheck = qScopeGuard([&check] { QDir(check).removeRecursively(); });
        Store store(check);
        QCOMPARE(integrity(store), u"ok"_s);
        QCOMPARE(countMismatch(store), QString());
        const QByteArray now = contentDigest(store, def.witness);
        const int before = report.lastCommitted + 1;
        if (now == states.after(before)) {
            rounds = before;
        } else if (now == states.after(before + 1)) {
            rounds = before + 1; // stored, killed before it could say so
            ++unreported;
        } else {
            QFAIL(qPrintable(u"kill %1: the store holds neither the state after round %2 nor after round %3"_s.arg(kill)
                                 .arg(before - 1)
                                 .arg(before)));
        }
        for (qint64 id : report.posted)
            QVERIFY2(CrashLoops::hasWitness(store, def, id), qPrintable(u"witness %1 lost"_s.arg(id)));
    }
    qInfo("%d kills: %d while opening, %d rounds stored, %d stored but not reported; a round takes %lld ms", Kills,
          killedBeforeReady, committed, unreported, states.roundMs());
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
