// The customers' data stays with the shop's account: both programs, started under the umask of a desktop
// (022) that would let every account read what they make, make nothing that another account can use, and
// a store found open to them is narrowed once, with a word to whoever runs the program.
#include "RunAdmin.h"
#include "TestBackend.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "store/Store.h"
#include "store/admin/EngineConfig.h"
#include "tools/DemoData.h"
#include "widgets/Messages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Narrowed = u"Dáta záložne boli čitateľné pre iné účty počítača; prístup bol obmedzený."_s;

// The umask of the test process, and so of the programs it starts, while it lives.
class Umask
{
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

mode_t modeOf(const QString& path)
{
    struct stat s;
    return ::lstat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_mode : 0;
}

QString octal(mode_t mode)
{
    return u"0"_s + QString::number(mode & 07777, 8);
}

// Everything below root that gives more than 0660 (a file) or 0770 (a folder): "path mode" each.
QStringList tooOpen(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const mode_t mode = modeOf(path);
        if (S_ISLNK(mode)) continue;
        const mode_t allowed = S_ISDIR(mode) ? 0770 : 0660;
        if (mode & 07777 & ~allowed) found << QDir(root).relativeFilePath(path) + u' ' + octal(mode);
    }
    return found;
}

// The first entry of folder that matches pattern, or an empty text.
QString firstOf(const QString& folder, const QString& pattern)
{
    const QStringList names = QDir(folder).entryList({pattern}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    return names.isEmpty() ? QString() : QDir(folder).filePath(names.first());
}

// A connection of the test's own that keeps the store's journal files there while it is open.
class Holder
{
public:
    explicit Holder(const QString& file)
    {
        sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(m_db, "SELECT COUNT(*) FROM Zmluvy", nullptr, nullptr, nullptr);
    }
    ~Holder() { sqlite3_close(m_db); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

private:
    sqlite3* m_db = nullptr;
};

} // namespace

class TestPrivacy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void adminMakesNothingOpen_data();
    void adminMakesNothingOpen();
    void registerFirstStartMakesNothingOpen();
    void openStoreNarrowed_data();
    void openStoreNarrowed();
};

// Each row runs mervana-admin's commands up to its own, as a shop would on a fresh machine, and checks
// everything they made so far; on the test server the store itself lies there and only what the commands
// write here is checked.
void TestPrivacy::adminMakesNothingOpen_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("made"); // what the last step made, below the work folder
    QTest::newRow("init") << 1 << u"Data/mervana.db"_s;
    QTest::newRow("demo") << 2 << u"Data/mervana.db"_s;
    QTest::newRow("backup into a new folder") << 3 << u"usb/mervana-*.db"_s;
    QTest::newRow("restore") << 4 << u"usb/mervana-replaced-*.db|Data/mervana-replaced-*.db"_s;
    QTest::newRow("export-dbf") << 5 << u"dbf/Zmluvy.DBF"_s;
    QTest::newRow("report --pdf") << 6 << u"expired.pdf"_s;
    QTest::newRow("init and import-dbf") << 7 << u"imported/mervana.db"_s;
    QTest::newRow("copy into a new folder") << 8 << u"copied/mervana.db"_s;
}

void TestPrivacy::adminMakesNothingOpen()
{
    QFETCH(int, steps);
    QFETCH(QString, made);
    const Umask desktop(022);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString work = tmp.filePath(u"work"_s);
    QVERIFY(QDir().mkdir(work));
    const QDir at(work);
    const QString data = TestBackend::freshLocation(at.filePath(u"Data"_s));
    const QString usb = at.filePath(u"usb"_s);
    const QList<std::function<QStringList()>> commands{
        [&] {
            return QStringList{u"init"_s, data};
        },
        [&] {
            return QStringList{u"demo"_s, data};
        },
        [&] {
            return QStringList{u"backup"_s, data, usb};
        },
        [&] {
            return QStringList{u"restore"_s, firstOf(usb, u"mervana-*.db"_s), data};
        },
        [&] {
            return QStringList{u"export-dbf"_s, data, at.filePath(u"dbf"_s)};
        },
        [&] {
            return QStringList{u"report"_s,  data,       u"contracts"_s,
                               u"expired"_s, u"--pdf"_s, at.filePath(u"expired.pdf"_s)};
        },
        [&] {
            return QStringList{u"init"_s, at.filePath(u"imported"_s)};
        },
        [&] {
            return QStringList{u"import-dbf"_s, at.filePath(u"dbf"_s), at.filePath(u"imported"_s)};
        },
        [&] {
            return QStringList{u"copy"_s, data, at.filePath(u"copied"_s)};
        },
    };
    // The import needs a store of its own first: one more command than steps from there on.
    const int count = steps >= 7 ? steps + 1 : steps;
    for (int i = 0; i < count; ++i) {
        const QStringList args = commands.at(i)();
        const AdminRun run = runAdmin(args);
        QVERIFY2(run.status == 0, qPrintable(args.join(u' ') + u": "_s + run.err));
    }
    bool found = false;
    for (const QString& pattern : made.split(u'|'))
        found = found || !firstOf(at.filePath(QFileInfo(pattern).path()), QFileInfo(pattern).fileName()).isEmpty();
    if (made.startsWith(u"Data/"_s) && TestBackend::onServer()) found = true; // the store is on the server
    QVERIFY2(found, qPrintable(made));
    QVERIFY2(tooOpen(work).isEmpty(), qPrintable(tooOpen(work).join(u", "_s)));
}

// The register installed, started for the first time by a clerk: its configuration, its working folder with
// the contract template, the store and its journal files, and the first daily backup.
void TestPrivacy::registerFirstStartMakesNothingOpen()
{
    const Umask desktop(022);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // As installed: the program in bin, the template in share/mervana, readable by everyone.
    const QDir prefix(tmp.filePath(u"usr"_s));
    QVERIFY(QDir().mkpath(prefix.filePath(u"bin"_s)) && QDir().mkpath(prefix.filePath(u"share/mervana"_s)));
    const QString program = prefix.filePath(u"bin/mervana"_s);
    QVERIFY(QFile::copy(QStringLiteral(MERVANA_PROGRAM), program));
    QFile shared(prefix.filePath(u"share/mervana/ZMLUVA.TXT"_s));
    QVERIFY(shared.open(QIODevice::WriteOnly));
    shared.write("Zmluva <CISLO>\n");
    shared.close();
    QVERIFY(shared.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));

    const QString home = tmp.filePath(u"home"_s);
    QVERIFY(QDir().mkdir(home));
    const QDir homeDir(home);
    const QString working = homeDir.filePath(u".local/share/mervana"_s);
    QString backups = working + u"/Data/Zaloha"_s;
    if (TestBackend::onServer()) {
        // A counter of a shop with several: its definition names the server, written by the one who set it up.
        const TestBackend::ServerParts server = TestBackend::serverParts();
        const QString schema = TestBackend::freshSchema();
        Store::createEmpty(
            EngineConfig::serverLocation(server.host, server.port, server.database, server.user, schema));
        QVERIFY(QDir().mkpath(homeDir.filePath(u".config/mervana"_s)));
        for (const QString& folder : {u".config"_s, u".config/mervana"_s})
            QVERIFY(
                QFile(homeDir.filePath(folder)).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QFile ini(homeDir.filePath(u".config/mervana/engine.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(u"[Mervana]\nTYPE=POSTGRESQL\nHOST=%1\nPORT=%2\nDATABASE=%3\nUSER=%4\nSCHEMA=%5\n"_s
                      .arg(server.host, server.port, server.database, server.user, schema)
                      .toUtf8());
        ini.close();
        QVERIFY(ini.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        backups = working + u"/Zaloha"_s;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    for (const QString& name : {u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_CACHE_HOME"_s})
        env.remove(name);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QProcess register_;
    register_.setProcessEnvironment(env);
    register_.setWorkingDirectory(home);
    register_.start(program, {});
    QVERIFY(register_.waitForStarted());
    // The first start of the day writes a backup once the frame is up.
    QTRY_VERIFY2_WITH_TIMEOUT(!firstOf(backups, u"mervana-*.db"_s).isEmpty() ||
                                  register_.state() == QProcess::NotRunning,
                              qPrintable(QString::fromUtf8(register_.readAllStandardError())), 60000);
    QCOMPARE(register_.state(), QProcess::Running);
    // The backup takes its name once written and checked; its side files go then.
    QTRY_VERIFY_WITH_TIMEOUT(firstOf(backups, u"*.part*"_s).isEmpty(), 60000);

    QStringList expected{u".config/mervana/engine.ini"_s, u".local/share/mervana/ZMLUVA.TXT"_s};
    if (!TestBackend::onServer())
        expected << u".local/share/mervana/Data/mervana.db"_s << u".local/share/mervana/Data/mervana.db-wal"_s
                 << u".local/share/mervana/Data/mervana.db-shm"_s;
    for (const QString& path : expected)
        QVERIFY2(QFileInfo::exists(homeDir.filePath(path)), qPrintable(path));
    // While it runs, with the store and its journal files open.
    const QStringList open = tooOpen(home);
    register_.kill();
    register_.waitForFinished();
    QVERIFY2(open.isEmpty(), qPrintable(open.join(u", "_s)));
    QVERIFY2(tooOpen(home).isEmpty(), qPrintable(tooOpen(home).join(u", "_s)));
}

// A store made earlier, by hand or by an older program, open to others: the first opening narrows it (the
// group keeps its rights, a shop may share the store through one) and says so once.
void TestPrivacy::openStoreNarrowed_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("journalMode"); // of the -wal and -shm beside it, 0 when there are none
    QTest::addColumn<int>("fileAfter");
    QTest::addColumn<int>("folderAfter");
    const struct
    {
        const char* name;
        int file, folder, journal, fileAfter, folderAfter;
    } cases[] = {
        {"open to all", 0644, 0755, 0, 0640, 0750},
        {"the group writes", 0664, 0775, 0, 0660, 0770},
        {"others write", 0666, 0777, 0, 0660, 0770},
        {"journal files open", 0640, 0750, 0644, 0640, 0750},
        {"others may enter the folder", 0640, 0711, 0, 0640, 0710},
        {"private already", 0600, 0700, 0, 0600, 0700},
    };
    for (const char* program : {"admin stats", "admin backup", "register"})
        for (const auto& c : cases)
            QTest::addRow("%s, %s", program, c.name)
                << QString::fromLatin1(program) << c.file << c.folder << c.journal << c.fileAfter << c.folderAfter;
}

void TestPrivacy::openStoreNarrowed()
{
    QFETCH(QString, program);
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);
    QFETCH(int, journalMode);
    QFETCH(int, fileAfter);
    QFETCH(int, folderAfter);
    if (TestBackend::onServer()) QSKIP("the server keeps its files itself");
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString data = tmp.filePath(u"Data"_s);
    const QString file = QDir(data).filePath(Store::fileName());
    Store::createEmpty(data);
    {
        Store store(data);
        DemoData::fill(store, 1, QDate(2026, 3, 15));
    }
    std::unique_ptr<Holder> holder;
    if (journalMode) holder = std::make_unique<Holder>(file);
    // Its backup folder, with a backup in it, as open as the store.
    const QString backups = QDir(data).filePath(u"Zaloha"_s);
    const QString backup = QDir(backups).filePath(u"mervana-2026-03-01-080000.db"_s);
    QFile written(backup); // not a copy of the store: closing it would drop the holder's locks on the store
    QVERIFY(QDir().mkpath(backups) && written.open(QIODevice::WriteOnly) && written.write("backup") == 6);
    written.close();
    for (const auto& [path, mode] :
         {std::pair{file, fileMode}, {data, folderMode}, {backup, fileMode}, {backups, folderMode}})
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    for (const QString& journal : QStringList{file + u"-wal"_s, file + u"-shm"_s})
        if (journalMode) QCOMPARE(::chmod(QFile::encodeName(journal).constData(), mode_t(journalMode)), 0);
    const bool narrowing = fileMode != fileAfter || folderMode != folderAfter || journalMode & 07;

    // What the program said about it, each time it opened the store.
    const auto open = [&]() -> QString {
        if (program == u"register"_s) {
            Messages::setScripted(true);
            QFile::remove(EngineConfig::filePath());
            EngineConfig::ensureDatabaseName(tmp.path());
            std::unique_ptr<TForm1> main(StartProgram(tmp.path()));
            if (!main) return u"not started: "_s + Messages::takeShown().value(0).text;
            const QString said = main->statusPanel(2)->text();
            main.reset();
            QFile::remove(EngineConfig::filePath());
            return said == Narrowed ? Narrowed : QString();
        }
        const QStringList args = program == u"admin stats"_s ? QStringList{u"stats"_s, data}
                                                             : QStringList{u"backup"_s, data, tmp.filePath(u"usb"_s)};
        const AdminRun run = runAdmin(args);
        if (run.status != 0) return u"failed: "_s + run.err;
        return run.err;
    };
    const QString notice = program == u"register"_s
                               ? Narrowed
                               : u"mervana-admin: %1 was open to other accounts of this computer; their access was "
                                 u"taken away\n"_s.arg(file);
    QCOMPARE(open(), narrowing ? notice : QString());
    QCOMPARE(octal(modeOf(file)), octal(mode_t(fileAfter)));
    QCOMPARE(octal(modeOf(data)), octal(mode_t(folderAfter)));
    QCOMPARE(octal(modeOf(backup)), octal(mode_t(fileAfter)));
    QCOMPARE(octal(modeOf(backups)), octal(mode_t(folderAfter)));
    if (journalMode) {
        for (const QString& journal : QStringList{file + u"-wal"_s, file + u"-shm"_s})
            QCOMPARE(octal(modeOf(journal)), octal(mode_t(journalMode & ~07)));
    }
    // Said once: the next opening finds nothing to narrow.
    QCOMPARE(open(), QString());
    QCOMPARE(octal(modeOf(file)), octal(mode_t(fileAfter)));
}

QTEST_MAIN(TestPrivacy)
#include "tst_privacy.moc"
