#include "RunAdmin.h"
#include "StoreDump.h"
#include "TestBackend.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/admin/Backup.h"
#include "store/admin/EngineConfig.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Errors.h"
#include "store/engine/PgConnection.h"
#include "store/trail/Trail.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Day(2026, 3, 15);
constexpr int Keep = 14; // replaced stores a restore keeps

QDateTime at(const QDate& day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(day, QTime(hour, minute, second));
}

bool onServer()
{
    return TestBackend::onServer();
}

// A demo store: in the folder name of tmp, or in a schema of its own on the server.
QString demoStore(const QTemporaryDir& tmp, int scale = 1, const QString& name = u"Data"_s)
{
    const QString location = TestBackend::freshLocation(tmp.filePath(name));
    Store::createEmpty(location);
    Store store(location);
    DemoData::fill(store, scale, Day);
    return location;
}

qint64 contractsIn(const QString& location)
{
    Store store(location);
    return store.scalar(u"SELECT COUNT(*) FROM Zmluvy"_s).toLongLong();
}

qint64 scalar(const QString& path, const QString& sql)
{
    const QString connection = QUuid::createUuid().toString();
    qint64 value = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next()) value = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return value;
}

void insertContracts(Store& store, int count, int first)
{
    Transaction t(store);
    StatementUse q = store.statement(u"INSERT INTO Zmluvy (WRK, NUMBER, AMOUNT) VALUES (0, ?, 100.0)"_s);
    for (int i = 0; i < count; ++i) {
        q.bind({u"99/%1"_s.arg(first + i, 5, 10, QChar(u'0'))});
        q.exec();
        q.reset();
    }
    t.commit();
}

// Runs statements on a store file of one's own, outside the register.
void onFile(const QString& path, const QStringList& statements)
{
    const QString connection = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& sql : statements)
            QVERIFY2(q.exec(sql), qPrintable(sql + u": "_s + q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(connection);
}

// The objects a store holds besides records: tables, views, indexes and triggers, by kind and name.
QStringList objects(Store& store)
{
    if (!store.isServer())
        return TestBackend::rows(store, u"SELECT type || ' ' || name FROM sqlite_master ORDER BY 1"_s, 1);
    return TestBackend::rows(
        store,
        u"SELECT c.relkind::text || ' ' || c.relname FROM pg_class c WHERE c.relnamespace = "
        u"(SELECT oid FROM pg_namespace WHERE nspname = current_schema()) "
        u"UNION ALL SELECT 'trigger ' || t.tgname FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid "
        u"WHERE NOT t.tgisinternal AND c.relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = "
        u"current_schema()) "
        u"ORDER BY 1"_s,
        1);
}

// The replaced stores a restore kept in folder, by name.
QStringList replacedIn(const QString& folder)
{
    return QDir(folder).entryList({u"mervana-replaced-*"_s}, QDir::Files, QDir::Name);
}

// The files of a folder but SQLite's own beside a store: a reader leaves them, the last writer removes them.
QStringList filesIn(const QString& dir)
{
    QStringList files = QDir(dir).entryList(QDir::Files);
    files.removeIf([](const QString& name) { return name.endsWith(u"-wal"_s) || name.endsWith(u"-shm"_s); });
    return files;
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The copy is the store as it was when the backup began, although another connection commits
    // records between every step of it; the live store keeps them all.
    void backupWhileAnotherConnectionWrites()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp, 3);
        const QStringList before = StoreDump::store(data);
        const qint64 contracts = contractsIn(data);
        Store writer(data);
        const QString headBefore = Trail::head(writer);
        int steps = 0;
        bool ascending = true;
        qint64 lastDone = 0, lastTotal = 0;
        const QString written = Backup::write(
            data, tmp.filePath(u"bk"_s), at(Day, 10),
            [&](qint64 done, qint64 total) {
                if (total == 0) return true; // checking the copy
                ascending = ascending && done > lastDone && done <= total;
                lastDone = done;
                lastTotal = total;
                insertContracts(writer, 10, 10 * steps++);
                return steps < 1000; // a backup that starts over after every write would never end
            },
            8);
        QVERIFY2(steps > 5, qPrintable(QString::number(steps))); // writes between many steps of the copy
        QVERIFY(ascending);
        QCOMPARE(lastDone, lastTotal);
        QCOMPARE(StoreDump::store(written), before);
        QCOMPARE(scalar(written, u"SELECT n FROM RecordCounts WHERE name = 'Zmluvy'"_s), contracts);
        QCOMPARE(contractsIn(data), contracts + 10 * steps);
        Backup::check(written);
        const QString name = QFileInfo(written).fileName();
        QCOMPARE(filesIn(tmp.filePath(u"bk"_s)), (QStringList{name, name + Backup::headSuffix()}));
        // Beside it the head of the trail it holds, as the store's stood when the backup began.
        QFile head(written + Backup::headSuffix());
        QVERIFY(head.open(QIODevice::ReadOnly));
        const QString noted = QString::fromUtf8(head.readAll());
        QCOMPARE(noted, headBefore + u'\n');
        QCOMPARE(noted.section(u':', 0, 0).toLongLong(), scalar(written, u"SELECT MAX(SEQ) FROM Zmeny"_s));
    }

    void backupNames()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString dest = tmp.filePath(u"a/b/c"_s); // made as needed
        const QDateTime when = at(Day, 9, 5, 7);
        QCOMPARE(Backup::fileName(when), u"mervana-2026-03-15-090507.db"_s);
        const QString first = Backup::write(data, dest, when);
        const QString second = Backup::write(data, dest, when);
        QCOMPARE(first, dest + u"/mervana-2026-03-15-090507.db"_s);
        QCOMPARE(second, dest + u"/mervana-2026-03-15-090507-2.db"_s);
        QCOMPARE(Backup::list(dest), (QStringList{first, second}));
        QCOMPARE(StoreDump::store(second), StoreDump::store(data));
    }

    void backupCancelled_data()
    {
        QTest::addColumn<bool>("whileChecking");
        QTest::newRow("while copying") << false;
        QTest::newRow("while checking the copy") << true;
    }
    void backupCancelled()
    {
        QFETCH(bool, whileChecking);
        QTemporaryDir tmp;
        const QString data = demoStore(tmp, 3);
        const QString dest = tmp.filePath(u"bk"_s);
        int checking = 0;
        try {
            Backup::write(
                data, dest, at(Day, 10),
                [&](qint64, qint64 total) {
                    if (total == 0) ++checking;
                    return whileChecking ? total != 0 : false;
                },
                4);
            QFAIL("not cancelled");
        } catch (const StoreError& e) {
            QCOMPARE(e.text(), u"Backup cancelled"_s);
        }
        QCOMPARE(checking, whileChecking ? 1 : 0);
        QCOMPARE(filesIn(dest), QStringList());
    }

    void checkRejects_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("start"); // of the message, after the file's name
        QTest::newRow("missing") << u"missing"_s << u": not found"_s;
        QTest::newRow("not a database") << u"text"_s << u": not a readable store: file is not a database"_s;
        QTest::newRow("truncated") << u"truncated"_s << u": "_s;
        QTest::newRow("damaged page") << u"damaged"_s << u": "_s;
        QTest::newRow("another database")
            << u"foreign"_s << u": not a backup of the register: table Zmluvy is missing"_s;
        QTest::newRow("a field missing") << u"column"_s
                                         << u": not a backup of the register: table Osoby lacks field REASON"_s;
        QTest::newRow("a view in place of a table")
            << u"view"_s << u": not a backup of the register: Predlz is not a table"_s;
    }
    void checkRejects()
    {
        QFETCH(QString, kind);
        QFETCH(QString, start);
        if (onServer()) QSKIP("Checks backup files, which are store files whatever store they were written from");
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        QString file = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        QFile f(file);
        if (kind == u"missing") {
            file += u".gone"_s;
        } else if (kind == u"text") {
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("Zmluvy;Osoby\n");
        } else if (kind == u"truncated") {
            QVERIFY(f.resize(f.size() / 2));
        } else if (kind == u"damaged") {
            QVERIFY(f.open(QIODevice::ReadWrite));
            const QByteArray junk(4096, '\x5A');
            for (qint64 page = 2; page * 4096 < f.size(); page += 5) {
                f.seek(page * 4096 + 100);
                f.write(junk.left(200));
            }
        } else if (kind == u"view") {
            onFile(file, {u"DROP TABLE Predlz"_s, u"CREATE VIEW Predlz AS SELECT NUMBER FROM Zmluvy"_s});
        } else if (kind == u"foreign" || kind == u"column") {
            QFile::remove(file);
            const QString connection = QUuid::createUuid().toString();
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
                db.setDatabaseName(file);
                QVERIFY(db.open());
                QSqlQuery q(db);
                if (kind == u"foreign") {
                    QVERIFY(q.exec(u"CREATE TABLE Zakaznici (meno TEXT)"_s));
                } else {
                    for (const TableDef& def : Schema::tables())
                        QVERIFY(q.exec(Schema::createSql(Schema::Engine::Sqlite, def).constFirst()));
                    QVERIFY(q.exec(u"ALTER TABLE Osoby DROP COLUMN REASON"_s));
                }
            }
            QSqlDatabase::removeDatabase(connection);
        }
        f.close();
        try {
            Backup::check(file);
            QFAIL("accepted");
        } catch (const InputError& e) {
            const QString expected = QDir::toNativeSeparators(file) + start;
            QVERIFY2(e.text().startsWith(expected), qPrintable(e.text()));
        }
    }

    // The backup replaces the store; the store it replaced stays beside it with every record.
    void restoreReplacesAndKeepsTheOld()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        {
            Store store(data);
            store.exec(u"DELETE FROM Zmluvy WHERE rowid < 50"_s);
            insertContracts(store, 5, 1);
        }
        const QStringList changed = StoreDump::store(data);
        // Another shop's store open meanwhile (on a server: in the same database) is none of the restore's business.
        const QString neighbour = TestBackend::freshLocation(tmp.filePath(u"Other"_s));
        Store::createEmpty(neighbour);
        const Store other(neighbour);
        const QString kept = Backup::restore(backup, data, at(Day, 11, 30), Keep);
        // A server store has no folder here: what the restore replaced is kept beside the backup.
        QCOMPARE(kept, (onServer() ? tmp.filePath(u"bk"_s) : data) + u"/mervana-replaced-2026-03-15-113000.db"_s);
        QCOMPARE(StoreDump::store(data), StoreDump::store(backup));
        QCOMPARE(StoreDump::store(kept), changed);
        if (onServer()) return; // the rest is about the files of a data folder
        QCOMPARE(filesIn(data), (QStringList{u"mervana-replaced-2026-03-15-113000.db"_s, u"mervana.db"_s}));
        const StoreLock mark(data, StoreLock::Kind::Open); // the register opens it as usual
        Store reopened(data);
        QCOMPARE(reopened.table(u"zmluvy.dbf"_s).sqlName, u"Zmluvy"_s);
    }

    void restoreIntoEmptyFolder()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        const QString fresh = TestBackend::freshLocation(tmp.filePath(u"New"_s));
        if (!onServer()) {
            QDir().mkpath(fresh);
            const StoreLock nothingToGuard(fresh, StoreLock::Kind::Open);
            QCOMPARE(QDir(fresh).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        }
        QCOMPARE(Backup::restore(backup, fresh, at(Day, 11), Keep), QString());
        QCOMPARE(StoreDump::store(fresh), StoreDump::store(data));
    }

    // While the store is open, or another restore runs, nothing is replaced.
    void restoreRefused_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("serverMessage"); // none: the server does not mind that holder
        QTest::newRow("register open") << u"register"_s << u"The register has the store in %1 open ("_s
                                       << u"1 program(s) of the register have the store %1 open"_s;
        QTest::newRow("other connection open")
            << u"connection"_s << u"The store in %1 is in use by another program; close it before restoring"_s
            << QString();
        QTest::newRow("another restore") << u"restore"_s << u"Another restore of the store in %1 is running"_s
                                         << u"The store %1 is being restored"_s;
    }
    void restoreRefused()
    {
        QFETCH(QString, holder);
        QFETCH(QString, message);
        QFETCH(QString, serverMessage);
        if (onServer()) {
            if (serverMessage.isEmpty())
                QSKIP("A server serves other programs while it restores: only the register's sessions stand in "
                      "the way");
            message = serverMessage;
        }
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        {
            Store store(data);
            insertContracts(store, 3, 1);
        }
        const QStringList before = StoreDump::store(data);
        const QString keptDir = onServer() ? tmp.filePath(u"bk"_s) : data;
        const QStringList files = filesIn(keptDir);
        std::unique_ptr<Store> open;
        std::unique_ptr<StoreLock> lock;
        if (onServer()) { // a session of the register, or a restore holding the store alone
            open = std::make_unique<Store>(data);
            if (holder == u"restore") {
                open->begin(); // a restore holds the store alone for its replacing transaction
                QCOMPARE(static_cast<PgConnection&>(open->connection()).takeAlone(), 0);
            }
        } else {
            if (holder == u"register") lock = std::make_unique<StoreLock>(data, StoreLock::Kind::Open);
            if (holder == u"register" || holder == u"connection") open = std::make_unique<Store>(data);
            if (holder == u"restore") lock = std::make_unique<StoreLock>(data, StoreLock::Kind::Restore);
        }
        try {
            Backup::restore(backup, data, at(Day, 11), Keep);
            QFAIL("restored");
        } catch (const StoreError& e) {
            QVERIFY2(e.text().startsWith(message.arg(QDir::toNativeSeparators(data))), qPrintable(e.text()));
        }
        open.reset();
        lock.reset();
        QCOMPARE(filesIn(keptDir), files);
        QCOMPARE(StoreDump::store(data), before);
        Backup::restore(backup, data, at(Day, 12), Keep); // closed now: the restore goes ahead
        QCOMPARE(StoreDump::store(data), StoreDump::store(backup));
    }

    // The restore lets go of the store before it returns: a program that opens it at once is never told that a
    // restore is running, nor a restore started at once that a program has the store open.
    void opensRightAfterRestore()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        const qint64 contracts = contractsIn(data);
        // A session of no program of the register, open before: it sees the server's locks at once.
        PGconn* watcher = onServer() ? PQconnectdb(data.toUtf8().constData()) : nullptr;
        const auto closeWatcher = qScopeGuard([watcher] { PQfinish(watcher); });
        for (int i = 0; i < 25; ++i) {
            Backup::restore(backup, data, at(Day, 11, 0, i), 2);
            if (watcher) {
                // The store's lock: the register's key and the schema's oid (other suites' stores share the server).
                PGresult* r = PQexec(watcher, "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND classid = "
                                              "1835365230 AND objid = (SELECT oid FROM pg_namespace WHERE nspname = "
                                              "current_schema())");
                const QByteArray held = PQresultStatus(r) == PGRES_TUPLES_OK ? PQgetvalue(r, 0, 0) : "?";
                PQclear(r);
                QCOMPARE(held, QByteArray("0"));
            }
            const std::unique_ptr<StoreLock> mark(onServer() ? nullptr : new StoreLock(data, StoreLock::Kind::Open));
            Store opened(data);
            QCOMPARE(opened.scalar(u"SELECT COUNT(*) FROM Zmluvy"_s).toLongLong(), contracts);
        }
    }

    // The records of a backup go into a store made fresh: whatever else the file carries stays behind, so a
    // trigger planted in it never fires on the register's writes.
    void restoreLeavesTheRestOfTheFileBehind()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        const QStringList records = StoreDump::store(backup);
        onFile(backup, {u"CREATE TABLE Extra (secret TEXT)"_s, u"INSERT INTO Extra VALUES ('x')"_s,
                        u"CREATE VIEW Dlznici AS SELECT NUMBER, AMOUNT FROM Zmluvy"_s,
                        u"CREATE INDEX planted_index ON Osoby (REASON)"_s,
                        u"CREATE TRIGGER planted AFTER UPDATE ON Zmluvy BEGIN DELETE FROM Osoby; END"_s});
        Backup::check(backup); // a file like that passes for a backup
        const QString fresh = TestBackend::freshLocation(tmp.filePath(u"Fresh"_s));
        Store::createEmpty(fresh);
        Backup::restore(backup, data, at(Day, 11), Keep);
        QCOMPARE(StoreDump::store(data), records);
        Store store(data);
        Store made(fresh);
        QCOMPARE(objects(store), objects(made));
        QCOMPARE(TestBackend::damage(store), QString());
        const qint64 persons = store.scalar(u"SELECT COUNT(*) FROM Osoby"_s).toLongLong();
        QVERIFY(persons > 0);
        store.exec(u"UPDATE Zmluvy SET AMOUNT = AMOUNT + 1"_s);
        QCOMPARE(store.scalar(u"SELECT COUNT(*) FROM Osoby"_s).toLongLong(), persons);
    }

    // Of the replaced stores a restore keeps, the newest few stay; backups and other files beside them too.
    void restoreKeepsTheNewestReplaced_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<int>("kept");
        QTest::newRow("three") << 3 << 3;
        QTest::newRow("none asked: the newest stays") << 0 << 1;
    }
    void restoreKeepsTheNewestReplaced()
    {
        QFETCH(int, keep);
        QFETCH(int, kept);
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        const QString folder = onServer() ? tmp.filePath(u"bk"_s) : data;
        QFile other(folder + u"/mervana-replaced-notes.txt"_s);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        QStringList replaced;
        for (int i = 0; i < 5; ++i)
            replaced << QFileInfo(Backup::restore(backup, data, at(Day, 11, i), keep)).fileName();
        replaced.sort();
        QCOMPARE(replacedIn(folder), replaced.mid(5 - kept) << QFileInfo(other).fileName());
        QVERIFY(QFile::exists(backup));
        QCOMPARE(StoreDump::store(data), StoreDump::store(backup));
    }

    // When the connection breaks while the server commits the restore, nobody knows whether the store was
    // replaced: the error says so and names the file that keeps the records it held, which stays.
    void restoreOutcomeUnknown()
    {
        if (!onServer()) QSKIP("A store file takes its place by one rename, whose outcome is never in doubt");
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        {
            Store store(data);
            insertContracts(store, 3, 1);
            TestBackend::dropSessionAtCommit(store, u"Zmluvy"_s);
        }
        const QStringList before = StoreDump::store(data);
        const QString kept = tmp.filePath(u"bk/mervana-replaced-2026-03-15-110000.db"_s);
        try {
            Backup::restore(backup, data, at(Day, 11), Keep);
            QFAIL("restored");
        } catch (const CommitUnknown& e) {
            QVERIFY2(e.text().contains(u"whether the command was stored is not known"_s), qPrintable(e.text()));
            QVERIFY2(e.text().endsWith(u"kept in "_s + QDir::toNativeSeparators(kept)), qPrintable(e.text()));
        }
        QCOMPARE(StoreDump::store(kept), before);
        Backup::check(kept);
        {
            Store store(data);
            TestBackend::allow(store);
        }
        QCOMPARE(StoreDump::store(data), before); // this time the server had not got as far
    }

    // Every command of mervana-admin that writes marks the store open as the register does: while a restore
    // holds the store it is refused, and a restore is refused while it runs.
    void adminCommandsMarkTheStoreOpen_data()
    {
        QTest::addColumn<QStringList>("args"); // %DATA% the store's folder, %TMP% the test's
        QTest::addColumn<bool>("empty");       // the store holds no records
        QTest::newRow("init") << QStringList{u"init"_s, u"%TMP%/New"_s} << true;
        QTest::newRow("demo") << QStringList{u"demo"_s, u"%DATA%"_s} << true;
        QTest::newRow("import-dbf") << QStringList{u"import-dbf"_s, u"%TMP%/tables"_s, u"%DATA%"_s, u"--replace"_s}
                                    << false;
        QTest::newRow("export-dbf") << QStringList{u"export-dbf"_s, u"%DATA%"_s, u"%TMP%/out"_s} << false;
        QTest::newRow("archive") << QStringList{u"archive"_s,  u"%DATA%"_s, u"--from"_s,
                                                u"1.1.2000"_s, u"--to"_s,   u"31.12.2099"_s}
                                 << false;
        QTest::newRow("dearchive") << QStringList{u"dearchive"_s, u"%DATA%"_s} << false;
        QTest::newRow("reindex") << QStringList{u"reindex"_s, u"%DATA%"_s} << false;
        QTest::newRow("report") << QStringList{u"report"_s,     u"%DATA%"_s, u"income"_s,          u"1.1.2026"_s,
                                               u"31.12.2026"_s, u"--pdf"_s,  u"%TMP%/income.pdf"_s}
                                << false;
        QTest::newRow("search") << QStringList{u"search"_s, u"%DATA%"_s, u"ZLAT"_s} << false;
    }
    void adminCommandsMarkTheStoreOpen()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, empty);
        if (onServer())
            QSKIP("Every program that opens a server store holds the server's lock of it: restoreRefused shows "
                  "that a restore refuses while one does");
        QTemporaryDir tmp;
        QString data;
        if (empty) {
            data = tmp.filePath(u"Data"_s);
            Store::createEmpty(data);
        } else {
            data = demoStore(tmp);
            QCOMPARE(runAdmin({u"export-dbf"_s, data, tmp.filePath(u"tables"_s)}).status, 0);
        }
        args.replaceInStrings(u"%DATA%"_s, data).replaceInStrings(u"%TMP%"_s, tmp.path());
        const QString target = args.at(0) == u"import-dbf"_s ? args.at(2) : args.at(1);
        QDir().mkpath(target);
        const QStringList before = filesIn(target);
        const QStringList records = StoreDump::store(data);
        {
            const StoreLock restoring(target, StoreLock::Kind::Restore);
            const AdminRun run = runAdmin(args);
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(u"is being restored"_s), qPrintable(run.err));
        }
        QCOMPARE(filesIn(target), before);
        QCOMPARE(StoreDump::store(data), records);
        QVERIFY(!QFileInfo::exists(tmp.filePath(u"out"_s)) && !QFileInfo::exists(tmp.filePath(u"income.pdf"_s)));
        const AdminRun run = runAdmin(args); // the restore has finished: the command runs
        QVERIFY2(run.status == 0, qPrintable(run.err));
    }

    // A program that crashed leaves its lock file: naming a dead process, or empty when it was killed while it
    // wrote it. Neither blocks a restore, nor the register after it.
    void restoreAfterCrashedProgram_data()
    {
        QTest::addColumn<QString>("file"); // in the data folder
        QTest::addColumn<bool>("empty");
        QTest::addColumn<bool>("removing"); // killed as it removed a dead holder's file: Qt's .rmlock left empty
        QTest::newRow("register's mark of a dead process") << u"mervana-open/crashed.lock"_s << false << false;
        QTest::newRow("register's mark left empty") << u"mervana-open/crashed.lock"_s << true << false;
        QTest::newRow("register's mark, its removal cut short") << u"mervana-open/crashed.lock"_s << false << true;
        QTest::newRow("restore's lock of a dead process") << u"mervana-restore.lock"_s << false << false;
        QTest::newRow("restore's lock left empty") << u"mervana-restore.lock"_s << true << false;
        QTest::newRow("restore's lock, its removal cut short") << u"mervana-restore.lock"_s << false << true;
    }
    void restoreAfterCrashedProgram()
    {
        QFETCH(QString, file);
        QFETCH(bool, empty);
        QFETCH(bool, removing);
        if (onServer()) QSKIP("A server ends the session of a crashed program: it leaves no mark behind");
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        QProcess shell;
        shell.start(u"/bin/sh"_s, {u"-c"_s, u"echo $$"_s});
        QVERIFY(shell.waitForFinished());
        const QByteArray deadPid = shell.readAllStandardOutput().trimmed();
        QDir().mkpath(data + u"/mervana-open"_s);
        QFile mark(data + u'/' + file);
        QVERIFY(mark.open(QIODevice::WriteOnly));
        if (!empty) mark.write(deadPid + "\nmervana\n" + QSysInfo::machineHostName().toUtf8() + "\n\n\n");
        mark.close();
        QFile removal(mark.fileName() + u".rmlock"_s);
        if (removing) {
            QVERIFY(removal.open(QIODevice::WriteOnly));
            removal.close();
        }
        Backup::restore(backup, data, at(Day, 11), Keep);
        QVERIFY(!QFile::exists(mark.fileName()));
        QVERIFY(!removal.exists());
        QVERIFY(mark.open(QIODevice::WriteOnly)); // left by the restore this time
        mark.close();
        const StoreLock opened(data, StoreLock::Kind::Open);
    }

    void registerWaitsForRestore()
    {
        if (onServer()) QSKIP("The open-store marks are files of a data folder; restoreRefused keeps a server's out");
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        {
            const StoreLock restoring(data, StoreLock::Kind::Restore);
            try {
                const StoreLock mark(data, StoreLock::Kind::Open);
                QFAIL("opened during a restore");
            } catch (const StoreError& e) {
                QVERIFY2(
                    e.text().startsWith(u"The store in %1 is being restored"_s.arg(QDir::toNativeSeparators(data))),
                    qPrintable(e.text()));
            }
            QCOMPARE(filesIn(data + u"/mervana-open"_s), QStringList()); // its mark went with it
        }
        const StoreLock mark(data, StoreLock::Kind::Open);
        QCOMPARE(filesIn(data + u"/mervana-open"_s).size(), 1);
    }

    void restoreRejectsBadBackup()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QStringList before = StoreDump::store(data);
        QFile bad(tmp.filePath(u"bad.db"_s));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(8192, 'x'));
        bad.close();
        QVERIFY_THROWS_EXCEPTION(InputError, Backup::restore(bad.fileName(), data, at(Day, 11), Keep));
        QCOMPARE(StoreDump::store(data), before);
        // nothing kept: beside the store in its folder, beside the backup for a server store
        QCOMPARE(filesIn(onServer() ? tmp.path() : data), QStringList{onServer() ? u"bad.db"_s : u"mervana.db"_s});
    }

    // A restore that fails halfway (the server refuses one of the backup's contracts) leaves the store as it
    // was, and no file of records it did not replace.
    void restoreAllOrNothing()
    {
        if (!onServer()) QSKIP("A store file is put in place whole, by renaming it");
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString backup = Backup::write(data, tmp.filePath(u"bk"_s), at(Day, 10));
        {
            Store store(data);
            const QString last = store.scalar(u"SELECT MAX(NUMBER) FROM Zmluvy"_s).toString();
            insertContracts(store, 3, 1);
            TestBackend::refuse(store, u"INSERT"_s, u"Zmluvy"_s, u"NUMBER"_s, last);
        }
        const QStringList before = StoreDump::store(data);
        QVERIFY_THROWS_EXCEPTION(StoreError, Backup::restore(backup, data, at(Day, 11), Keep));
        QCOMPARE(StoreDump::store(data), before);
        // the backup and its noted head, nothing the failed restore made
        const QString name = QFileInfo(backup).fileName();
        QCOMPARE(filesIn(tmp.filePath(u"bk"_s)), (QStringList{name, name + Backup::headSuffix()}));
    }

    // Written at the first start of each day, then pruned to the newest ones; other files stay.
    void dailyBackup()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        const QString folder = tmp.filePath(u"Zaloha"_s);
        QDir().mkpath(folder);
        for (const QString& other : {u"notes.txt"_s, u"mervana-old.db"_s}) {
            QFile f(folder + u'/' + other);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QStringList removed;
        for (int day = 10; day <= 14; ++day) {
            const QDate date(2026, 3, day);
            const Backup::DailyResult first = Backup::daily(data, folder, 3, at(date, 8));
            QCOMPARE(first.written, folder + u'/' + Backup::fileName(at(date, 8)));
            removed << first.removed;
            const Backup::DailyResult again = Backup::daily(data, folder, 3, at(date, 17));
            QCOMPARE(again.written, QString());
            QCOMPARE(again.removed, QStringList());
        }
        QCOMPARE(Backup::list(folder),
                 (QStringList{folder + u"/mervana-2026-03-12-080000.db"_s, folder + u"/mervana-2026-03-13-080000.db"_s,
                              folder + u"/mervana-2026-03-14-080000.db"_s}));
        QCOMPARE(removed, (QStringList{folder + u"/mervana-2026-03-10-080000.db"_s,
                                       folder + u"/mervana-2026-03-11-080000.db"_s}));
        QVERIFY(QFile::exists(folder + u"/notes.txt"_s));
        QVERIFY(QFile::exists(folder + u"/mervana-old.db"_s));
        QCOMPARE(QDir(folder).entryList({u"*"_s + Backup::headSuffix()}, QDir::Files, QDir::Name),
                 (QStringList{u"mervana-2026-03-12-080000.db.head"_s, u"mervana-2026-03-13-080000.db.head"_s,
                              u"mervana-2026-03-14-080000.db.head"_s}));
        // Keeping none would leave no backup at all: the newest stays.
        const Backup::DailyResult none = Backup::daily(data, folder, 0, at(QDate(2026, 3, 15), 8));
        QCOMPARE(Backup::list(folder), QStringList{none.written});
    }

    void backupSettings_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("keep");
        QTest::addColumn<QString>("expectedDir"); // %DATA% for the data folder
        QTest::addColumn<int>("expectedKeep");
        QTest::newRow("defaults") << QString() << QString() << u"%DATA%/Zaloha"_s << 14;
        QTest::newRow("set") << u"/mnt/usb/zalohy"_s << u"30"_s << u"/mnt/usb/zalohy"_s << 30;
        QTest::newRow("keep not a number") << QString() << u"vela"_s << u"%DATA%/Zaloha"_s << 14;
        QTest::newRow("keep zero") << QString() << u"0"_s << u"%DATA%/Zaloha"_s << 14;
    }
    void backupSettings()
    {
        QFETCH(QString, dir);
        QFETCH(QString, keep);
        QFETCH(QString, expectedDir);
        QFETCH(int, expectedKeep);
        QFile::remove(EngineConfig::filePath());
        {
            QSettings settings(EngineConfig::filePath(), QSettings::IniFormat);
            if (!dir.isEmpty()) settings.setValue(u"Mervana/BackupDir"_s, dir);
            if (!keep.isEmpty()) settings.setValue(u"Mervana/BackupKeep"_s, keep);
        }
        QCOMPARE(EngineConfig::backupDir(u"/srv/shop/Data"_s),
                 QString(expectedDir).replace(u"%DATA%"_s, u"/srv/shop/Data"_s));
        QCOMPARE(EngineConfig::backupKeep(), expectedKeep);
        QCOMPARE(EngineConfig::lastBackupFolder(), QString());
        EngineConfig::setLastBackupFolder(u"/media/kluc"_s);
        QCOMPARE(EngineConfig::lastBackupFolder(), u"/media/kluc"_s);
    }

    void adminBackupAndRestore()
    {
        QTemporaryDir tmp;
        const QString data = demoStore(tmp);
        AdminRun run = runAdmin({u"backup"_s, data, tmp.filePath(u"bk"_s)});
        QCOMPARE(run.status, 0);
        const QStringList written = Backup::list(tmp.filePath(u"bk"_s));
        QCOMPARE(written.size(), 1);
        QCOMPARE(run.out, u"Wrote and checked %1\n"_s.arg(QDir::toNativeSeparators(written.first())));
        {
            // this process stands for the running register
            const std::unique_ptr<StoreLock> mark(onServer() ? nullptr : new StoreLock(data, StoreLock::Kind::Open));
            Store open(data);
            run = runAdmin({u"restore"_s, written.first(), data});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(u"before restoring"_s), qPrintable(run.err));
        }
        run = runAdmin({u"restore"_s, written.first(), data});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(u"The replaced store is kept as "_s), qPrintable(run.out));
        // copy brings the backup back into a new store
        const QString fresh = TestBackend::freshLocation(tmp.filePath(u"Copy"_s));
        run = runAdmin({u"copy"_s, written.first(), fresh});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(StoreDump::store(fresh), StoreDump::store(data));
        run = runAdmin({u"restore"_s, tmp.filePath(u"nothing.db"_s), data});
        QCOMPARE(run.status, 2);
        run = runAdmin({u"backup"_s, tmp.filePath(u"nowhere"_s), tmp.filePath(u"bk"_s)});
        QCOMPARE(run.status, 1);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
