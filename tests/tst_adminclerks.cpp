#include "RunAdmin.h"
#include "TestBackend.h"
#include "TrailLines.h"
#include "core/Clerks.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/Backup.h"
#include "store/dbf/DbfTransfer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// mervana-admin clerk, and the owner's commands on a store with clerks: who may run them, with the password read
// from standard input, and the rows they leave in the trail.
class TestAdminClerks : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_store;

    QStringList lines(const AdminRun& r) { return r.out.split(u'\n', Qt::SkipEmptyParts); }
    QStringList clerks() { return lines(runAdmin({u"clerk"_s, u"list"_s, m_store})); }

    QStringList rowsSince(qint64 after)
    {
        Store store(m_store);
        return trailLines(store, after);
    }
    qint64 end()
    {
        Store store(m_store);
        return trailEnd(store);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_store = TestBackend::freshLocation(m_dir->filePath(u"Data"_s));
        if (!Store::isServerLocation(m_store)) QVERIFY(QDir().mkpath(m_store));
        QCOMPARE(runAdmin({u"init"_s, m_store}).status, 0);
    }

    // The first clerk must be an owner and needs nobody's password; from then on the owner manages the others.
    void manageClerks()
    {
        // Without clerks an owner's command runs as always, whatever --as says.
        QCOMPARE(runAdmin({u"reindex"_s, m_store, u"--as"_s, u"Nobody"_s}).status, 0);

        AdminRun r = runAdmin({u"clerk"_s, u"add"_s, m_store, u"Jan"_s}, "jan-heslo\n");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(u"Prvý pokladník musí byť vlastník"_s), qPrintable(r.err));
        r = runAdmin({u"clerk"_s, u"add"_s, m_store, u"Eva"_s, u"--owner"_s}, "");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(u"Heslo nesmie byť prázdne."_s), qPrintable(r.err));
        QCOMPARE(clerks(), QStringList());

        r = runAdmin({u"clerk"_s, u"add"_s, m_store, u"Eva"_s, u"--owner"_s}, "eva-heslo\n");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, u"Added Eva (owner)\n"_s);
        QVERIFY2(!r.out.contains(u"heslo"_s) && !r.err.contains(u"heslo"_s), "a password echoed");
        // The owner's password first, then the new clerk's.
        r = runAdmin({u"clerk"_s, u"add"_s, m_store, u"Jan"_s, u"--as"_s, u"Eva"_s}, "eva-heslo\r\njan-heslo\n");
        QCOMPARE(r.status, 0);
        QCOMPARE(clerks(), (QStringList{u"Eva\towner\tactive"_s, u"Jan\tclerk\tactive"_s}));
        r = runAdmin({u"clerk"_s, u"password"_s, m_store, u"Jan"_s, u"--as"_s, u"Eva"_s}, "eva-heslo\nnove heslo \n");
        QCOMPARE(r.status, 0);
        {
            Store store(m_store);
            QVERIFY(Clerks::check(store, u"Jan"_s, u"nove heslo "_s)); // the line as typed, its end aside
            QVERIFY(Clerks::check(store, u"Eva"_s, u"eva-heslo"_s));
        }
        r = runAdmin({u"clerk"_s, u"disable"_s, m_store, u"Jan"_s, u"--as"_s, u"Eva"_s}, "eva-heslo\n");
        QCOMPARE(r.status, 0);
        QCOMPARE(clerks(), (QStringList{u"Eva\towner\tactive"_s, u"Jan\tclerk\tdisabled"_s}));

        QCOMPARE(rowsSince(1), (QStringList{
                                   // after the genesis row
                                   u"clerk-added — {\"clerk\":\"Eva\"} NAME:>Eva ROLE:>owner ACTIVE:>1"_s,
                                   u"sign-in Eva {\"note\":\"mervana-admin clerk add\"}"_s,
                                   u"clerk-added Eva {\"clerk\":\"Jan\"} NAME:>Jan ROLE:>clerk ACTIVE:>1"_s,
                                   u"sign-in Eva {\"note\":\"mervana-admin clerk password\"}"_s,
                                   u"clerk-changed Eva {\"changed\":\"password\",\"clerk\":\"Jan\"}"_s,
                                   u"sign-in Eva {\"note\":\"mervana-admin clerk disable\"}"_s,
                                   u"clerk-changed Eva {\"clerk\":\"Jan\"} ACTIVE:1>0"_s,
                               }));
    }

    // Each owner's command on a store with clerks: refused without an owner's name and password, with its row. Those
    // that take personal data out leave the row saying so (exported: its action).
    void ownerCommands_data()
    {
        QTest::addColumn<QStringList>("args"); // STORE stands for the store, OUT for a new file or folder
        QTest::addColumn<QByteArray>("input"); // after the owner's password
        QTest::addColumn<QString>("as");       // empty: no --as
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QString>("exported");

        const QList<std::pair<QString, QStringList>> commands{
            {u"archive"_s, {u"archive"_s, u"STORE"_s, u"--from"_s, u"1.1.2000"_s, u"--to"_s, u"31.12.2099"_s}},
            {u"dearchive"_s, {u"dearchive"_s, u"STORE"_s}},
            {u"reindex"_s, {u"reindex"_s, u"STORE"_s}},
            {u"restore"_s, {u"restore"_s, u"BACKUP"_s, u"STORE"_s}},
            {u"clerk add"_s, {u"clerk"_s, u"add"_s, u"STORE"_s, u"Ida"_s}},
            {u"clerk password"_s, {u"clerk"_s, u"password"_s, u"STORE"_s, u"Jan"_s}},
            {u"clerk disable"_s, {u"clerk"_s, u"disable"_s, u"STORE"_s, u"Jan"_s}},
        };
        for (const auto& [name, args] : commands) {
            const QByteArray more = name == u"clerk add"_s || name == u"clerk password"_s ? "ida-heslo\n" : "";
            QTest::addRow("%s, no --as", qPrintable(name)) << args << more << QString() << QByteArray() << QString();
            QTest::addRow("%s, a clerk", qPrintable(name))
                << args << more << u"Jan"_s << QByteArray("jan-heslo\n") << QString();
            QTest::addRow("%s, wrong password", qPrintable(name))
                << args << more << u"Eva"_s << QByteArray("jan-heslo\n") << QString();
            QTest::addRow("%s, unknown", qPrintable(name))
                << args << more << u"Ola"_s << QByteArray("x\n") << QString();
            QTest::addRow("%s, the owner", qPrintable(name))
                << args << more << u"Eva"_s << QByteArray("eva-heslo\n") << QString();
        }
        const QString exported = u"personal-data-exported"_s;
        const QList<std::tuple<QString, QStringList, QString>> exports{
            {u"import-dbf --replace"_s, {u"import-dbf"_s, u"OUT"_s, u"STORE"_s, u"--replace"_s}, QString()},
            {u"export-dbf"_s, {u"export-dbf"_s, u"STORE"_s, u"OUT"_s}, exported},
            {u"copy"_s, {u"copy"_s, u"STORE"_s, u"OUT"_s}, exported},
            {u"audit"_s, {u"audit"_s, u"STORE"_s}, exported},
            {u"report persons"_s, {u"report"_s, u"STORE"_s, u"persons"_s, u"--pdf"_s, u"OUT"_s}, exported},
            {u"report audit"_s,
             {u"report"_s, u"STORE"_s, u"audit"_s, u"1.1.2000"_s, u"31.12.2099"_s, u"--pdf"_s, u"OUT"_s},
             exported},
            {u"report profile"_s,
             {u"report"_s, u"STORE"_s, u"profile"_s, u"7001011234"_s, u"--pdf"_s, u"OUT"_s},
             u"personal-data-printed"_s},
        };
        for (const auto& [name, args, action] : exports) {
            QTest::addRow("%s, no --as", qPrintable(name))
                << args << QByteArray() << QString() << QByteArray() << QString();
            QTest::addRow("%s, unknown", qPrintable(name))
                << args << QByteArray() << u"Ola"_s << QByteArray("x\n") << QString();
            QTest::addRow("%s, the owner", qPrintable(name))
                << args << QByteArray() << u"Eva"_s << QByteArray("eva-heslo\n") << action;
        }
    }

    void ownerCommands()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, as);
        QFETCH(QByteArray, password);
        QFETCH(QString, exported);
        QString backup;
        {
            Store store(m_store);
            Clerks::add(store, u"Eva"_s, Clerks::Role::Owner, u"eva-heslo"_s);
            Clerks::add(store, u"Jan"_s, Clerks::Role::Clerk, u"jan-heslo"_s);
            Table t(store, u"Zmluvy.DBF"_s), p(store, u"Osoby.DBF"_s);
            t.open();
            t.append();
            t.field(u"NUMBER"_s).setAsString(u"26/00001"_s);
            t.post();
            p.open();
            p.append();
            p.field(u"BIRTHNUM"_s).setAsString(u"7001011234"_s);
            p.post();
        }
        if (args.contains(u"BACKUP"_s)) {
            const QString folder = m_dir->filePath(u"Zaloha"_s);
            QVERIFY(QDir().mkpath(folder));
            backup = Backup::write(m_store, folder, Clock::now());
        }
        args.replaceInStrings(u"STORE"_s, m_store);
        args.replaceInStrings(u"BACKUP"_s, backup);
        const QString out = m_dir->filePath(u"out"_s);
        if (args.first() == u"import-dbf"_s) { // the store's own tables to import in place of its records
            Store store(m_store);
            DbfTransfer::exportTables(store, out, 852, QDate(2026, 6, 1));
        }
        args.replaceInStrings(u"OUT"_s, out);
        if (!as.isEmpty()) args << u"--as"_s << as;
        const QStringList before = clerks();
        const qint64 seq = end();
        const bool outBefore = QFileInfo::exists(out);

        const AdminRun r = runAdmin(args, password + input);
        const QString command = args.first() == u"clerk"_s ? u"clerk "_s + args.at(1) : args.first();
        const QString note = u"\"note\":\"mervana-admin %1\""_s.arg(command);
        if (as != u"Eva"_s || password != "eva-heslo\n") {
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.startsWith(u"mervana-admin: "_s), qPrintable(r.err));
            QVERIFY2(!r.err.contains(u"heslo"_s), qPrintable(r.err));
            // A name that is no clerk's may be a password typed in the wrong place: never kept.
            const QString name = as == u"Ola"_s ? u"(neznámy)"_s : as;
            QCOMPARE(rowsSince(seq), QStringList{u"sign-in-failed — {\"clerk\":\"%1\",%2}"_s.arg(name, note)});
            QCOMPARE(clerks(), before);
            QCOMPARE(QFileInfo::exists(out), outBefore); // nothing written
            return;
        }
        QCOMPARE(r.status, 0);
        if (command == u"restore"_s) return; // the restored store's trail is the restore's own to tell
        const QStringList rows = rowsSince(seq);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(rows.first(), u"sign-in Eva {%1}"_s.arg(note));
        for (const QString& row : rows)
            QVERIFY2(row.section(u' ', 1, 1) == u"Eva"_s, qPrintable(row)); // the owner's name on every row
        QCOMPARE(clerks() != before, command.startsWith(u"clerk add"_s) || command == u"clerk disable"_s);
        if (!exported.isEmpty()) QCOMPARE(rows.filter(exported).size(), 1);
        if (command == u"import-dbf"_s) // what it deleted, by table
            QVERIFY2(rows.last().contains(u"\"deleted\":{\"Inventar\":0,\"Osoby\":1,"_s), qPrintable(rows.last()));
    }

    // The wait after five wrong passwords holds for --as too, from one run to the next.
    void waitAcrossRuns()
    {
        {
            Store store(m_store);
            Clerks::add(store, u"Eva"_s, Clerks::Role::Owner, u"eva-heslo"_s);
        }
        const QStringList reindex{u"reindex"_s, m_store, u"--as"_s, u"Eva"_s};
        for (int i = 0; i < Clerks::FreeAttempts; ++i)
            QCOMPARE(runAdmin(reindex, "zle-heslo\n").status, 1);
        const qint64 seq = end();
        const AdminRun r = runAdmin(reindex, "eva-heslo\n");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(u"Priveľa nesprávnych pokusov. Ďalší pokus bude možný o "_s), qPrintable(r.err));
        QCOMPARE(end(), seq); // not even tried
    }

    // A store whose clerks were deleted behind the program's back is refused, not opened as everyone's.
    void refusedWithoutOwner()
    {
        {
            Store store(m_store);
            Clerks::add(store, u"Eva"_s, Clerks::Role::Owner, u"eva-heslo"_s);
            store.exec(u"DELETE FROM Pokladnici"_s);
        }
        for (const QStringList& args : {QStringList{u"reindex"_s, m_store}, QStringList{u"audit"_s, m_store}}) {
            const AdminRun r = runAdmin(args);
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains(u"nemá aktívneho vlastníka"_s), qPrintable(r.err));
        }
    }
};

QTEST_GUILESS_MAIN(TestAdminClerks)
#include "tst_adminclerks.moc"
