#include "ReportShop.h"
#include "TestBackend.h"
#include "store/Store.h"
#include "store/admin/EngineConfig.h"
#include "store/trail/Trail.h"
#include "support/Records.h"
#include "tools/DemoData.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Today(2026, 12, 8);
const QString NoGoods = u"message 2 Zmluva bola zapísaná bez založených predmetov..."_s;

// A server and the schema of one shop's store on it.
struct ShopOnServer
{
    TestBackend::ServerParts server;
    QString schema;

    QString location() const
    {
        return EngineConfig::serverLocation(server.host, server.port, server.database, server.user, schema);
    }
};

// A server of the test's own, which it stops and starts again, made by the script itself so that the server's
// own user reaches it when the tests run as root. While it lives, the shops the test makes are on it.
class OwnServer
{
public:
    OwnServer()
        : m_cluster(u"/tmp/mervana-away-%1"_s.arg(QCoreApplication::applicationPid())), m_location(run(u"start"_s)),
          m_old(qgetenv("MERVANA_TEST_PG"))
    {
        if (started()) qputenv("MERVANA_TEST_PG", m_location.toUtf8());
    }
    ~OwnServer()
    {
        run(u"stop"_s);
        qputenv("MERVANA_TEST_PG", m_old);
    }
    OwnServer(const OwnServer&) = delete;
    OwnServer& operator=(const OwnServer&) = delete;

    bool started() const { return m_location.startsWith(u"postgresql://"_s); }
    const QString& location() const { return m_location; }
    bool halt() { return run(u"halt"_s).isEmpty(); }
    bool resume() { return run(u"resume"_s).isEmpty(); }

private:
    // What the script printed, or "failed".
    QString run(const QString& verb) const
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(PG_CLUSTER), {verb, m_cluster});
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
                   ? QString::fromUtf8(p.readAllStandardOutput()).trimmed()
                   : u"failed"_s;
    }

    QString m_cluster;
    QString m_location;
    QByteArray m_old;
};

// One counter: the whole program in a process of its own (counter_child), with its own home and engine
// configuration naming the shop's store.
class Counter
{
public:
    explicit Counter(const ShopOnServer& shop)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, m_home.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u".config"_s));
        env.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u".local/share"_s));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(COUNTER_CHILD),
                        {m_home.path(), Today.toString(Qt::ISODate), shop.server.host, shop.server.port,
                         shop.server.database, shop.server.user, shop.schema});
    }

    ~Counter()
    {
        wake(); // a test that failed while it slept
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(30000)) m_process.kill();
    }

    // True once the program has started; its start-up messages stay in what reply() gathered.
    bool ready()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(60000)) return false;
        return m_process.readLine().trimmed() == "ready";
    }

    // Written through at once: two counters sent a command one after the other run it at the same moment, not
    // the second only once the first has answered.
    void send(const QString& command)
    {
        m_process.write(command.toUtf8() + '\n');
        m_process.waitForBytesWritten(30000);
    }

    // The program gets no turn until wake (a machine too busy for it): what happens meanwhile waits for it,
    // all at once, as the notices of its connection and the clerk's next press.
    void sleep() { signal(SIGSTOP); }
    void wake()
    {
        m_process.waitForBytesWritten(); // the press is there when it wakes
        signal(SIGCONT);
    }

    // The lines answering the command sent last, without the closing ".".
    QStringList reply()
    {
        QStringList lines;
        for (;;) {
            while (!m_process.canReadLine())
                if (!m_process.waitForReadyRead(60000)) return lines << u"(no answer)"_s;
            const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
            if (line == u"."_s) return lines;
            lines << line;
        }
    }

    QStringList ask(const QString& command)
    {
        send(command);
        return reply();
    }

private:
    void signal(int number)
    {
        // Never process id 0: that would be this whole process group.
        if (const qint64 pid = m_process.processId(); pid > 0) ::kill(pid_t(pid), number);
    }

    QTemporaryDir m_home;
    QProcess m_process;
};

using Records::addPerson;

using Records::addContract;

// Every contract as "NUMBER BIRTHNUM AMOUNT", in number order.
QStringList contracts(const QString& location)
{
    Store store(location);
    return TestBackend::rows(store, u"SELECT NUMBER, BIRTHNUM, AMOUNT FROM Zmluvy ORDER BY NUMBER"_s, 3)
        .replaceInStrings(QRegularExpression(u"[a-zA-Z]+:"_s), QString())
        .replaceInStrings(u"|"_s, u" "_s);
}

// Whether a reply is one message of the lost server (an error naming the database server) and then the lines
// expected; says what it got otherwise.
bool oneLossMessage(const QStringList& reply, const QStringList& then)
{
    const bool one = reply.size() == then.size() + 1 && reply.first().startsWith(u"message 3 "_s) &&
                     reply.first().contains(u"database server"_s) && reply.mid(1) == then;
    if (!one) qWarning("%s", qPrintable(reply.join(u'\n').left(2000)));
    return one;
}

QString takenMessage(const QString& taken, const QString& next)
{
    return u"message 3 Číslo zmluvy %1 medzitým zapísala iná pokladňa.\\rZmluva dostane číslo %2, zapíšte ju znova."_s
        .arg(taken, next);
}

} // namespace

// Two counters of one shop on one server, each the whole program in a process of its own.
class TestCounters : public QObject
{
    Q_OBJECT

    ShopOnServer m_shop;

    // A new store on the test server, filled by prepare.
    void newShop(const std::function<void(Store&)>& prepare)
    {
        m_shop = {TestBackend::serverParts(), TestBackend::freshSchema()};
        Store::createEmpty(m_shop.location());
        Store store(m_shop.location());
        prepare(store);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!TestBackend::onServer()) QSKIP("Several counters share only a store on a server");
    }

    // What one counter writes shows in the other's grid by itself, and that clerk stays on the contract chosen.
    void writeReachesTheOtherCounter()
    {
        newShop([](Store& store) {
            addPerson(store, u"8001011234"_s, u"Kováč"_s);
            for (const QString& number : {u"26/00001"_s, u"26/00002"_s, u"26/00003"_s})
                addContract(store, number, u"8001011234"_s);
        });
        Counter a(m_shop), b(m_shop);
        QVERIFY(a.ready());
        QVERIFY(b.ready());
        b.ask(u"select 26/00002"_s);
        QCOMPARE(b.ask(u"grid"_s), QStringList{u"grid 3 26/00002"_s});

        QCOMPARE(a.ask(u"new 8001011234 1000"_s), QStringList{u"number 26/00004"_s});
        QCOMPARE(a.ask(u"write"_s), (QStringList{NoGoods, u"number 26/00004"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(b.ask(u"grid"_s), QStringList{u"grid 4 26/00002"_s}, 30000);
    }

    // Both clerks press "&Nový", get the same number proposed and press "Z&apíš" at the same moment: one
    // contract gets the number, the other clerk is told and writes under the next one.
    void simultaneousNewAndWrite()
    {
        newShop([](Store& store) {
            addPerson(store, u"8001011234"_s, u"Kováč"_s);
            addPerson(store, u"7702023333"_s, u"Horváth"_s);
        });
        Counter a(m_shop), b(m_shop);
        QVERIFY(a.ready());
        QVERIFY(b.ready());
        QCOMPARE(a.ask(u"new 8001011234 1000"_s), QStringList{u"number 26/00001"_s});
        QCOMPARE(b.ask(u"new 7702023333 2000"_s), QStringList{u"number 26/00001"_s});
        a.send(u"write"_s);
        b.send(u"write"_s);
        const QStringList fromA = a.reply(), fromB = b.reply();
        const QStringList written{NoGoods, u"number 26/00001"_s};
        const QStringList refused{takenMessage(u"26/00001"_s, u"26/00002"_s), u"number 26/00002"_s};
        QVERIFY2((fromA == written && fromB == refused) || (fromA == refused && fromB == written),
                 qPrintable(fromA.join(u" / "_s) + u" | "_s + fromB.join(u" / "_s)));
        const bool aFirst = fromA == written;
        Counter& second = aFirst ? b : a;
        QCOMPARE(second.ask(u"write"_s), (QStringList{NoGoods, u"number 26/00002"_s}));
        QCOMPARE(contracts(m_shop.location()),
                 aFirst ? (QStringList{u"26/00001 8001011234 1000"_s, u"26/00002 7702023333 2000"_s})
                        : (QStringList{u"26/00001 7702023333 2000"_s, u"26/00002 8001011234 1000"_s}));
    }

    // Both counters write contracts at the same moment, again and again, each its own and then new ones: the
    // trail keeps one chain without a gap, each write stored has exactly its row, and a write refused (the number
    // taken meanwhile) has none. Nothing else may keep a write out, waiting for the other's trail row least of all.
    void trailOfTwoCountersWritingAtOnce()
    {
        newShop([](Store& store) {
            addPerson(store, u"8001011234"_s, u"Kováč"_s);
            addPerson(store, u"7702023333"_s, u"Horváth"_s);
            addContract(store, u"26/00001"_s, u"8001011234"_s);
            addContract(store, u"26/00002"_s, u"7702023333"_s);
            // Each trail row takes a while to append, so that the two counters' writes meet there.
            store.exec(u"CREATE FUNCTION slow() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN PERFORM pg_sleep(0.05); "
                       u"RETURN NEW; END'"_s);
            store.exec(u"CREATE TRIGGER slow BEFORE INSERT ON zmeny FOR EACH ROW EXECUTE FUNCTION slow()"_s);
        });
        Counter a(m_shop), b(m_shop);
        QVERIFY(a.ready());
        QVERIFY(b.ready());
        constexpr int Rounds = 10;
        a.ask(u"select 26/00001"_s);
        b.ask(u"select 26/00002"_s);
        for (int round = 0; round < Rounds; ++round) {
            a.ask(u"type Edit3 %1"_s.arg(1000 + round));
            b.ask(u"type Edit3 %1"_s.arg(2000 + round));
            a.send(u"write"_s);
            b.send(u"write"_s);
            const QStringList fromA = a.reply(), fromB = b.reply();
            QVERIFY2(fromA == (QStringList{NoGoods, u"number 26/00001"_s}), qPrintable(fromA.join(u" / "_s)));
            QVERIFY2(fromB == (QStringList{NoGoods, u"number 26/00002"_s}), qPrintable(fromB.join(u" / "_s)));
        }
        for (int round = 0; round < Rounds / 2; ++round) {
            a.ask(u"new 8001011234 %1"_s.arg(3000 + round));
            b.ask(u"new 7702023333 %1"_s.arg(4000 + round));
            a.send(u"write"_s);
            b.send(u"write"_s);
            const QStringList fromA = a.reply(), fromB = b.reply();
            // Both proposed the same number: one of them is told so and writes again under the next.
            for (auto [counter, reply] : {std::pair{&a, fromA}, std::pair{&b, fromB}}) {
                if (reply.value(0) == NoGoods) continue;
                QVERIFY2(reply.value(0).contains(u"medzitým zapísala iná pokladňa"_s),
                         qPrintable(reply.join(u" / "_s)));
                QCOMPARE(counter->ask(u"write"_s).value(0), NoGoods);
            }
        }
        Store store(m_shop.location());
        const Trail::Verdict verdict = Trail::verify(store);
        QVERIFY2(verdict.ok(), qPrintable(verdict.why));
        QCOMPARE(verdict.lastSeq, verdict.intact);
        const QStringList stored = contracts(m_shop.location());
        QCOMPARE(stored.size(), 2 + Rounds);
        for (const QString& contract : stored) {
            Trail::Query query;
            query.contract = contract.section(u' ', 0, 0);
            QStringList actions;
            for (const Trail::Row& r : Trail::read(store, query))
                if (r.table == u"Zmluvy"_s) actions << r.action;
            const bool first = query.contract == u"26/00001"_s || query.contract == u"26/00002"_s;
            QCOMPARE(actions, QStringList{u"new"_s} + QStringList(first ? Rounds : 0, u"change"_s));
        }
    }

    // Two counters running views at the same time each mark for themselves: every pass shows what it shows
    // alone, and so does a view the other counter's write makes read again.
    void simultaneousViewsKeepTheirMarks()
    {
        newShop([](Store& store) {
            DemoData::fill(store, 1, Today);
            addPerson(store, u"8001011234"_s, u"Kováč"_s);
        });
        Counter a(m_shop), b(m_shop);
        QVERIFY(a.ready());
        QVERIFY(b.ready());
        const QStringList current = a.ask(u"view Aktulne1 1"_s);
        const QStringList expired = b.ask(u"view Expirovan1 1"_s);
        QCOMPARE(current.size(), 1);
        QCOMPARE(expired.size(), 1);
        QVERIFY(current != expired);
        QVERIFY(!current.first().startsWith(u"view 0 "_s));
        QVERIFY(!expired.first().startsWith(u"view 0 "_s));

        constexpr int Passes = 8;
        a.send(u"view Aktulne1 %1"_s.arg(Passes));
        b.send(u"view Expirovan1 %1"_s.arg(Passes));
        QCOMPARE(a.reply(), QStringList(Passes, current.first()));
        QCOMPARE(b.reply(), QStringList(Passes, expired.first()));

        const QString before = a.ask(u"changes"_s).value(0);
        b.ask(u"new 8001011234 1000"_s);
        QCOMPARE(b.ask(u"write"_s).value(0), NoGoods);
        // The new contract is no mark of a's view, but the notice makes a read what it shows again.
        QTRY_VERIFY_WITH_TIMEOUT(a.ask(u"changes"_s).value(0) != before, 30000);
        QCOMPARE(a.ask(u"shown"_s), current);
    }

    // Both clerks stand on one contract and change it; the first "Z&apíš" (or "&Zmaž") lands. The second clerk
    // is told that the contract changed meanwhile, nothing of theirs is stored and their boxes keep what they
    // typed; their next "Z&apíš" writes those over the contract as it is now (anew, when it was deleted).
    void secondWriteMeetsTheFirst_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("meanwhile");
        const QString other = u"26/00002 8001011234 500 10"_s;
        QTest::newRow("changed") << false
                                 << u"message 3 Zmluvu 26/00001 medzitým zmenila iná pokladňa.\\rNič nebolo "
                                    u"zapísané; vaše údaje zostali v poliach a tabuľka ukazuje záznam, ako je teraz."_s
                                 << QStringList{u"26/00001 8001011234 1100 10"_s, other};
        QTest::newRow("deleted") << true
                                 << u"message 3 Zmluvu 26/00001 medzitým zmazala iná pokladňa.\\rNič nebolo zapísané."_s
                                 << QStringList{other};
    }

    void secondWriteMeetsTheFirst()
    {
        QFETCH(bool, deleting);
        QFETCH(QString, message);
        QFETCH(QStringList, meanwhile);
        newShop([](Store& store) {
            addPerson(store, u"8001011234"_s, u"Kováč"_s);
            for (const auto& [number, amount] :
                 {std::pair{u"26/00001"_s, u"1000"_s}, std::pair{u"26/00002"_s, u"500"_s}})
                Records::write(store, u"Zmluvy.DBF"_s,
                               {{u"NUMBER"_s, number},
                                {u"BIRTHNUM"_s, u"8001011234"_s},
                                {u"AMOUNT"_s, amount},
                                {u"PERCENT"_s, u"10"_s}});
            Records::write(store, u"Inventar.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}, {u"SUBJECT"_s, u"Prsteň"_s}});
        });
        const auto stored = [&] {
            Store store(m_shop.location());
            return TestBackend::rows(store, u"SELECT NUMBER, BIRTHNUM, AMOUNT, PERCENT FROM Zmluvy ORDER BY NUMBER"_s,
                                     4)
                .replaceInStrings(QRegularExpression(u"[a-zA-Z]+:"_s), QString())
                .replaceInStrings(u"|"_s, u" "_s);
        };
        Counter a(m_shop), b(m_shop);
        QVERIFY(a.ready());
        QVERIFY(b.ready());
        a.ask(u"select 26/00001"_s);
        b.ask(u"select 26/00001"_s);
        QCOMPARE(b.ask(u"type Edit4 12"_s), QStringList());
        if (deleting) {
            QCOMPARE(a.ask(u"delete"_s), QStringList{u"message 0 Skutočne mažete zmluvu\\r26/00001 ?"_s});
        } else {
            a.ask(u"type Edit3 1100"_s);
            QCOMPARE(a.ask(u"write"_s), QStringList{u"number 26/00001"_s});
        }
        QCOMPARE(stored(), meanwhile);

        QCOMPARE(b.ask(u"write"_s), (QStringList{message, u"number 26/00001"_s}));
        QCOMPARE(stored(), meanwhile);
        QCOMPARE(b.ask(u"box Edit4"_s), QStringList{u"box Edit4 12"_s});
        QCOMPARE(b.ask(u"box Edit3"_s), QStringList{u"box Edit3 1000"_s});

        QCOMPARE(b.ask(u"write"_s), QStringList{u"number 26/00001"_s});
        QCOMPARE(stored(), (QStringList{u"26/00001 8001011234 1000 12"_s, u"26/00002 8001011234 500 10"_s}));
    }

    // The server stops while a clerk fills in a contract: "Z&apíš" says so and stores nothing, and once the
    // server is back the same contract is written. A counter that gets no turn while the server stops wakes to
    // the closed connection and the press at once.
    void serverGoesAway_data()
    {
        QTest::addColumn<bool>("asleep");
        QTest::newRow("awake") << false;
        QTest::newRow("asleep as the server stops") << true;
    }

    void serverGoesAway()
    {
        QFETCH(bool, asleep);
        OwnServer server;
        QVERIFY2(server.started(), qPrintable(server.location()));
        newShop([](Store& store) { addPerson(store, u"8001011234"_s, u"Kováč"_s); });

        Counter a(m_shop);
        QVERIFY(a.ready());
        QCOMPARE(a.ask(u"new 8001011234 1000"_s), QStringList{u"number 26/00001"_s});
        if (asleep) a.sleep();
        QVERIFY(server.halt());
        // At once, and again once the counter's looks for notices have met the closed connection (without a
        // word): one message each time, and the contract stays in the boxes.
        for (int wait : {0, 1200}) {
            QTest::qWait(wait);
            a.send(u"write"_s);
            if (asleep && wait == 0) a.wake();
            QVERIFY(oneLossMessage(a.reply(), {u"number 26/00001"_s}));
        }
        QVERIFY(server.resume());
        QCOMPARE(a.ask(u"write"_s), (QStringList{NoGoods, u"number 26/00001"_s}));
        QCOMPARE(contracts(m_shop.location()), QStringList{u"26/00001 8001011234 1000"_s});
        QCOMPARE(a.ask(u"grid"_s), QStringList{u"grid 1 26/00001"_s});
    }

    // With the server gone, one press brings one message, also when it moves the focus and the window refills
    // its panel on the way: the clerk in the grid presses "Z&apíš", the clerk in a box clicks a row of the grid.
    void onePressOneMessage_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("from the grid to Z&apíš")
            << QStringList{u"select 26/00002"_s} << u"write"_s << QStringList{u"number 26/00002"_s};
        QTest::newRow("from a box to the grid")
            << QStringList{u"select 26/00002"_s, u"type Edit4 12"_s} << u"select 26/00001"_s << QStringList();
    }

    void onePressOneMessage()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, press);
        QFETCH(QStringList, after);
        OwnServer server;
        QVERIFY2(server.started(), qPrintable(server.location()));
        newShop([](Store& store) {
            addPerson(store, u"8001011234"_s, u"Kováč"_s);
            for (const QString& number : {u"26/00001"_s, u"26/00002"_s})
                Records::write(store, u"Zmluvy.DBF"_s,
                               {{u"NUMBER"_s, number},
                                {u"BIRTHNUM"_s, u"8001011234"_s},
                                {u"AMOUNT"_s, u"1000"_s},
                                {u"PERCENT"_s, u"10"_s}});
        });
        Counter a(m_shop);
        QVERIFY(a.ready());
        for (const QString& command : std::as_const(before))
            QCOMPARE(a.ask(command), QStringList());
        QVERIFY(server.halt());
        QVERIFY(oneLossMessage(a.ask(press), after));
        QVERIFY(oneLossMessage(a.ask(press), after));
        QVERIFY(server.resume());
        QCOMPARE(a.ask(u"grid"_s).value(0).section(u' ', 0, 1), u"grid 2"_s);
    }

    // Another counter's write reaches this one together with the server's going away, while this one had no
    // turn: its grid, read again for the notice, meets the closed connection without a word (the program went
    // down here once), the next press tells of it, and once the server is back the grid shows the new contract.
    void noticeWithTheServerGone()
    {
        OwnServer server;
        QVERIFY2(server.started(), qPrintable(server.location()));
        newShop([](Store& store) {
            addPerson(store, u"8001011234"_s, u"Kováč"_s);
            for (const QString& number : {u"26/00001"_s, u"26/00002"_s})
                addContract(store, number, u"8001011234"_s);
        });
        Counter a(m_shop), b(m_shop);
        QVERIFY(a.ready());
        QVERIFY(b.ready());
        a.ask(u"select 26/00002"_s);
        a.sleep();
        QCOMPARE(b.ask(u"new 8001011234 1000"_s), QStringList{u"number 26/00003"_s});
        QCOMPARE(b.ask(u"write"_s), (QStringList{NoGoods, u"number 26/00003"_s}));
        QVERIFY(server.halt());
        a.wake();
        QVERIFY(oneLossMessage(a.ask(u"write"_s), {u"number 26/00002"_s}));
        QVERIFY(server.resume());
        QCOMPARE(a.ask(u"write"_s), (QStringList{NoGoods, u"number 26/00002"_s}));
        QCOMPARE(a.ask(u"grid"_s), QStringList{u"grid 3 26/00002"_s});
    }
};

QTEST_GUILESS_MAIN(TestCounters)
#include "tst_counters.moc"
