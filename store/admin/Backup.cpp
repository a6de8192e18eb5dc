#include "store/admin/Backup.h"

#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/Upgrade.h"
#include "store/admin/StoreCopy.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Errors.h"
#include "store/engine/FileModes.h"
#include "store/engine/PgConnection.h"
#include "store/engine/Schema.h"
#include "store/engine/SqliteConnection.h"
#include "store/trail/Trail.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <sqlite3.h>
#include <system_error>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// One raw SQLite connection of its own, closed on every way out.
class RawConnection
{
public:
    RawConnection(const QString& path, int flags)
    {
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK)
            throw StoreError(u"Cannot open database %1: %2"_s.arg(native(path), QString::fromUtf8(sqlite3_errstr(rc))));
        sqlite3_extended_result_codes(m_db, 1);
        Store::addCollations(m_db); // the indexes sort by them: integrity_check needs them
    }
    ~RawConnection() { sqlite3_close_v2(m_db); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    sqlite3* handle() const { return m_db; }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

    // Runs sql and returns the first column of every row; nullopt-like failure as rc != SQLITE_OK.
    int query(const char* sql, QStringList* rows = nullptr) const
    {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
        if (rc != SQLITE_OK) return rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            if (rows) rows->append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    void exec(const char* sql) const
    {
        if (query(sql) != SQLITE_OK) throw StoreError(error());
    }

private:
    sqlite3* m_db = nullptr;
};

// Copies the database of from into to, pagesPerStep pages at a time, waiting while another connection
// holds a lock. Throws StoreError, "Backup cancelled" when progress says stop.
void copyDatabase(RawConnection& from, RawConnection& to, int pagesPerStep, const Backup::Progress& progress)
{
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup) throw StoreError(to.error());
    int rc = SQLITE_OK;
    int waits = 0;
    bool cancelled = false;
    do {
        rc = sqlite3_backup_step(backup, pagesPerStep);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++waits > 500) break; // 10 s without progress
            QThread::msleep(20);
            continue;
        }
        waits = 0;
        EventPump::breathe();
        if ((rc == SQLITE_OK || rc == SQLITE_DONE) && progress) {
            const qint64 total = sqlite3_backup_pagecount(backup);
            cancelled = !progress(total - sqlite3_backup_remaining(backup), total);
        }
    } while ((rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && !cancelled);
    const int finish = sqlite3_backup_finish(backup);
    if (cancelled) throw StoreError(u"Backup cancelled"_s);
    if (rc != SQLITE_DONE) throw StoreError(QString::fromUtf8(sqlite3_errstr(rc)));
    if (finish != SQLITE_OK) throw StoreError(to.error());
}

// path, or path with "-2", "-3" ... before its extension when path is taken.
QString freeName(const QString& path)
{
    if (!QFileInfo::exists(path)) return path;
    const QFileInfo info(path);
    for (int n = 2;; ++n) {
        const QString candidate =
            info.dir().filePath(u"%1-%2.%3"_s.arg(info.completeBaseName()).arg(n).arg(info.suffix()));
        if (!QFileInfo::exists(candidate)) return candidate;
    }
}

const QRegularExpression& backupName()
{
    static const QRegularExpression re(u"^mervana-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-(\\d+))?\\.db$"_s);
    return re;
}

const QRegularExpression& replacedName()
{
    static const QRegularExpression re(u"^mervana-replaced-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-(\\d+))?\\.db$"_s);
    return re;
}

// The files of folder whose names name matches (a time stamp, then a number from freeName), oldest first.
QStringList named(const QString& folder, const QRegularExpression& name)
{
    struct Entry
    {
        QString stamp;
        int n;
        QString path;
    };
    QList<Entry> entries;
    const QDir dir(folder);
    for (const QString& file : dir.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        if (m.hasMatch())
            entries.append({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), dir.filePath(file)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.stamp != b.stamp ? a.stamp < b.stamp : a.n < b.n; });
    QStringList paths;
    for (const Entry& e : std::as_const(entries))
        paths << e.path;
    return paths;
}

// Removes the oldest of files (oldest first) beyond the newest keep (at least one), never current; returns
// those removed.
QStringList prune(const QStringList& files, int keep, const QString& current)
{
    QStringList removed;
    const qsizetype surplus = files.size() - std::max(1, keep);
    for (qsizetype i = 0; i < surplus; ++i) {
        if (files.at(i) == current) continue;
        if (QFile::remove(files.at(i))) removed << files.at(i);
        QFile::remove(files.at(i) + Backup::headSuffix());
    }
    return removed;
}

// The head of the trail that the backup file copy holds (Trail::head), written into headFile: beside each
// backup, the shop's anchor of the chain as it stood then.
void writeHead(const QString& copy, const QString& headFile)
{
    QStringList rows;
    RawConnection(copy, SQLITE_OPEN_READONLY)
        .query("SELECT SEQ || ':' || substr(HASH, 1, 16) FROM Zmeny ORDER BY SEQ DESC LIMIT 1", &rows);
    QFile file(headFile);
    const QByteArray line = (rows.value(0, u"0:"_s) + u'\n').toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(line) != line.size() || !file.flush())
        throw StoreError(u"Cannot write %1"_s.arg(native(headFile)));
}

// A rename lasts through a power cut only once the folder that holds the names is on the disk as well.
bool syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#else
    Q_UNUSED(folder); // NTFS writes its renames through its own journal
    return true;
#endif
}

// The copy at target made one self-contained file, whatever journal the store keeps, then all of it
// flushed to the disk at once.
void finishCopy(const RawConnection& to, const QString& target)
{
    to.exec("PRAGMA journal_mode=DELETE");
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(to.handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || file->pMethods->xSync(file, SQLITE_SYNC_FULL) != SQLITE_OK)
        throw StoreError(u"Cannot write %1 to the disk"_s.arg(native(target)));
}

void removeStoreFile(const QString& path)
{
    for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s, u"-journal"_s})
        QFile::remove(path + suffix);
}

// A store made fresh at target, as init makes one, filled by fill and flushed to the disk: the same tables as
// every store keeps them, whatever else the source carries. Nothing is left at target on failure.
void newStoreFile(const QString& target, const std::function<void(Store&)>& fill)
{
    removeStoreFile(target);
    SqliteConnection::createStore(target, Upgrade::newest());
    try {
        {
            Store to(target);
            fill(to);
        }
        finishCopy(RawConnection(target, SQLITE_OPEN_READWRITE), target);
    } catch (...) {
        removeStoreFile(target);
        throw;
    }
}

// The records of from, with its clerks, trail and keys, copied into a store made fresh at target.
void copyIntoNewFile(Store& from, const QString& target, const Backup::Progress& progress)
{
    bool cancelled = false;
    try {
        newStoreFile(target, [&](Store& to) {
            StoreCopy::copyRecords(from, to, false, StoreCopy::Own::Copy, [&](qint64 done, qint64 total) {
                cancelled = progress && !progress(done, total);
                return !cancelled;
            });
        });
    } catch (...) {
        if (cancelled) throw StoreError(u"Backup cancelled"_s);
        throw;
    }
}

// The row of a restore in the trail of the store that now holds the backup's records: the backup and the
// kept copy of what it replaced (empty when there was nothing).
void recordRestore(Store& to, const QList<StoreCopy::TableCount>& counts, const QString& backupFile,
                   const QString& kept)
{
    Trail::recordMove(to, Trail::Action::Restore, Trail::contractPeriod(to), StoreCopy::trailCounts(counts),
                      {{u"backup"_s, native(QFileInfo(backupFile).absoluteFilePath())},
                       {u"kept"_s, kept.isEmpty() ? QString() : native(QFileInfo(kept).absoluteFilePath())}});
}

// A backup file read as a store through a copy of its own at path: opened as a store, the file itself would
// change its journal and get files beside it, and a file on a medium that cannot be written would fail.
class BackupCopy
{
public:
    BackupCopy(const QString& backupFile, const QString& path) : m_path(path)
    {
        removeStoreFile(m_path);
        try {
            {
                RawConnection from(backupFile, SQLITE_OPEN_READONLY);
                RawConnection to(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
                copyDatabase(from, to, -1, {});
            }
            m_store = std::make_unique<Store>(m_path);
        } catch (...) {
            removeStoreFile(m_path);
            throw;
        }
    }
    ~BackupCopy()
    {
        m_store.reset();
        removeStoreFile(m_path);
    }
    BackupCopy(const BackupCopy&) = delete;
    BackupCopy& operator=(const BackupCopy&) = delete;

    Store& store() { return *m_store; }

private:
    QString m_path;
    std::unique_ptr<Store> m_store;
};

QString keptName(const QString& folder, const QDateTime& when)
{
    return freeName(QDir(folder).filePath(u"mervana-replaced-%1.db"_s.arg(when.toString(u"yyyy-MM-dd-HHmmss"_s))));
}

// The store in dataDir, about to be replaced, copied beside it under a name of its own with every committed
// record; returns that name. A copy rather than the file itself: the store stays in its place until the new
// one takes it in one step, so whenever a restore stops, one of the two stands there whole. The copy takes its
// name only once it is whole. Throws StoreError, keeping nothing then.
QString keepAside(const QString& dataDir, const QString& store, const QString& kept)
{
    {
        // Leaving WAL needs the store to itself: it fails while any other connection is open, so nothing
        // writes to the store once the copy is made.
        RawConnection old(store, SQLITE_OPEN_READWRITE);
        QStringList mode;
        if (old.query("PRAGMA journal_mode=DELETE", &mode) != SQLITE_OK || mode.value(0) != u"delete")
            throw StoreError(
                u"The store in %1 is in use by another program; close it before restoring"_s.arg(native(dataDir)));
    }
    if (QFileInfo::exists(store + u"-wal"_s))
        throw StoreError(
            u"The journal of the store in %1 could not be folded in; nothing was restored"_s.arg(native(dataDir)));
    QFile::remove(store + u"-shm"_s);
    const QString part = kept + u".part"_s;
    try {
        Backup::copyStore(dataDir, part);
    } catch (...) {
        removeStoreFile(part);
        throw;
    }
    if (!QFile::rename(part, kept) || !syncFolder(dataDir)) {
        removeStoreFile(part);
        QFile::remove(kept);
        throw StoreError(u"Cannot copy %1 aside to %2"_s.arg(native(store), native(kept)));
    }
    return kept;
}

// Puts the store file incoming in place of store in one step, replacing it.
bool replaceFile(const QString& incoming, const QString& store)
{
    std::error_code error;
    std::filesystem::rename(QFileInfo(incoming).filesystemFilePath(), QFileInfo(store).filesystemFilePath(), error);
    return !error;
}

// Puts the backup in place of the records of a server store, in one transaction that holds the store alone;
// what was there is read inside it into a store file beside backupFile, which stays unless nothing was
// replaced. A database that holds no store gets one with the backup's records.
QString restoreServer(const QString& backupFile, const QString& location, const QDateTime& when, int keep)
{
    if (!Store::exists(location)) {
        Store::createEmpty(location, Store::Genesis::Left); // the backup's trail comes with it
        try {
            BackupCopy from(backupFile,
                            QFileInfo(backupFile)
                                .absoluteDir()
                                .filePath(u"mervana-restoring-%1.db"_s.arg(when.toString(u"yyyy-MM-dd-HHmmss"_s))));
            Store to(location);
            Transaction transaction(to);
            recordRestore(to, StoreCopy::copyRecords(from.store(), to, false, StoreCopy::Own::Copy), backupFile, {});
            transaction.commit();
        } catch (...) {
            try {
                PgConnection::dropStore(location);
            } catch (const MervanaError&) {
                // What was made stays empty; the restore's own error says what went wrong.
            }
            throw;
        }
        return {};
    }
    const QString folder = QFileInfo(backupFile).absolutePath();
    const QString kept = keptName(folder, when);
    const QString part = kept + u".part"_s;
    BackupCopy from(backupFile, kept + u".source"_s);
    Store to(location);
    Transaction replacing(to);
    if (const int others = static_cast<PgConnection&>(to.connection()).takeAlone())
        throw StoreError(
            u"%1 program(s) of the register have the store %2 open; close them before restoring"_s.arg(others).arg(
                location));
    try {
        copyIntoNewFile(to, part, {});
        if (!QFile::rename(part, kept) || !syncFolder(folder)) throw StoreError(u"Cannot write %1"_s.arg(native(kept)));
        // The store's history goes on: its trail, clerks and keys stay, unless it has none yet (a store just
        // made by init), which takes the backup's.
        const bool fresh = StoreCopy::trailEmpty(to);
        const QList<StoreCopy::TableCount> counts =
            StoreCopy::copyRecords(from.store(), to, true, StoreCopy::Own::Leave);
        if (fresh) StoreCopy::copyOwnTables(from.store(), to);
        recordRestore(to, counts, backupFile, kept);
        replacing.commit();
    } catch (const CommitUnknown& e) {
        // The backup's records may stand now: what they replaced must not go.
        throw CommitUnknown(
            u"%1. The records the store held before the restore are kept in %2"_s.arg(e.text(), native(kept)));
    } catch (...) {
        removeStoreFile(part);
        QFile::remove(kept); // nothing was replaced
        throw;
    }
    prune(named(folder, replacedName()), keep, kept);
    return kept;
}

// A backup takes every person's data out of the store: the store's trail says so, with the records the copy
// holds, before the copy takes its name; without that row there is no backup.
void recordBackup(const QString& dataDir, const QString& copy, const QString& target)
{
    QJsonObject counts;
    {
        const RawConnection c(copy, SQLITE_OPEN_READONLY);
        for (const TableDef& def : Schema::tables()) {
            QStringList rows;
            const QByteArray sql = u"SELECT COUNT(*) FROM \"%1\""_s.arg(def.sqlName).toUtf8();
            if (c.query(sql.constData(), &rows) != SQLITE_OK) throw StoreError(c.error());
            counts.insert(def.sqlName, rows.value(0).toLongLong());
        }
    }
    Store store(dataDir);
    Trail::recordExport(store, u"backup"_s, native(target), {{u"counts"_s, counts}});
}

// A backup; recorded: its row personal-data-exported, which the daily one, nobody's action, goes without.
QString writeBackup(const QString& dataDir, const QString& destDir, const QDateTime& when,
                    const Backup::Progress& progress, int pagesPerStep, bool recorded)
{
    if (!Store::isServerLocation(dataDir) && !QFileInfo::exists(QDir(dataDir).filePath(Store::fileName())))
        throw StoreError(
            u"Cannot open database. Path not found: %1"_s.arg(native(QDir(dataDir).filePath(Store::fileName()))));
    if (!QDir().mkpath(destDir)) throw StoreError(u"Cannot create folder %1"_s.arg(native(destDir)));
    const QString target = freeName(QDir(destDir).filePath(Backup::fileName(when)));
    const QString part = target + u".part"_s; // takes its name only once checked
    try {
        Backup::copyStore(dataDir, part, progress, pagesPerStep);
        Backup::check(part, progress);
        writeHead(part, target + Backup::headSuffix());
        if (recorded) recordBackup(dataDir, part, target);
        if (!QFile::rename(part, target)) throw StoreError(u"Cannot write %1"_s.arg(native(target)));
        if (!syncFolder(destDir)) {
            QFile::remove(target);
            throw StoreError(u"Cannot write %1 to the disk"_s.arg(native(target)));
        }
    } catch (const MervanaError& e) {
        QFile::remove(part);
        QFile::remove(part + u"-journal"_s);
        QFile::remove(target + Backup::headSuffix());
        if (dynamic_cast<const InputError*>(&e))
            throw StoreError(u"The backup %1 failed its check: %2"_s.arg(native(target), e.text()));
        throw;
    }
    return target;
}

} // namespace

namespace Backup {

QString headSuffix()
{
    return u".head"_s;
}

QString fileName(const QDateTime& when)
{
    return u"mervana-%1.db"_s.arg(when.toString(u"yyyy-MM-dd-HHmmss"_s));
}

void copyStore(const QString& dataDir, const QString& target, const Progress& progress, int pagesPerStep)
{
    if (Store::isServerLocation(dataDir)) {
        Store from(dataDir);
        return copyIntoNewFile(from, target, progress);
    }
    const QString source = QDir(dataDir).filePath(Store::fileName());
    if (!QFileInfo::exists(source)) throw StoreError(u"Cannot open database. Path not found: %1"_s.arg(native(source)));
    QFile::remove(target);
    FileModes::restrictStore(source, true); // as every opening of the store: its journal files take its mode
    RawConnection from(source, SQLITE_OPEN_READWRITE);
    sqlite3_busy_timeout(from.handle(), 5000);
    from.exec("PRAGMA mmap_size=1073741824"); // pages read from the mapped file, not one call each
    RawConnection to(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // A half-written copy is never used, so it needs no journal and no flush per step; it is flushed
    // once, below.
    to.exec("PRAGMA journal_mode=OFF");
    to.exec("PRAGMA synchronous=OFF");
    // One read transaction over all steps: the copy is the store as it was when it began, and writers
    // elsewhere neither wait for it nor make it start over.
    from.exec("BEGIN");
    from.exec("SELECT COUNT(*) FROM sqlite_master");
    copyDatabase(from, to, std::max(1, pagesPerStep), progress);
    from.exec("COMMIT");
    finishCopy(to, target);
}

QString write(const QString& dataDir, const QString& destDir, const QDateTime& when, const Progress& progress,
              int pagesPerStep)
{
    return writeBackup(dataDir, destDir, when, progress, pagesPerStep, true);
}

void check(const QString& backupFile, const Progress& progress)
{
    const QString name = native(backupFile);
    if (!QFileInfo(backupFile).isFile()) throw InputError(u"%1: not found"_s.arg(name));
    QStringList rows;
    std::unique_ptr<RawConnection> c;
    try {
        c = std::make_unique<RawConnection>(backupFile, SQLITE_OPEN_READONLY);
    } catch (const StoreError& e) {
        throw InputError(u"%1: %2"_s.arg(name, e.text()));
    }
    // The check takes longer than the copy and cannot say how far it is: (0, 0) now and then.
    struct Watch
    {
        const Progress& progress;
        bool cancelled = false;
    } watch{progress};
    sqlite3_progress_handler(
        c->handle(), 20000,
        [](void* arg) {
            auto* w = static_cast<Watch*>(arg);
            EventPump::breathe();
            w->cancelled = w->cancelled || (w->progress && !w->progress(0, 0));
            return w->cancelled ? 1 : 0;
        },
        &watch);
    const int rc = c->query("PRAGMA integrity_check(20)", &rows);
    if (watch.cancelled) throw StoreError(u"Backup cancelled"_s);
    if (rc != SQLITE_OK) throw InputError(u"%1: not a readable store: %2"_s.arg(name, c->error()));
    if (rows != QStringList{u"ok"_s}) throw InputError(u"%1: the file is damaged: %2"_s.arg(name, rows.join(u"; "_s)));
    for (const TableDef& def : Schema::tables()) {
        // A view of that name would pass for the table, and read what it likes.
        QStringList kinds;
        const QByteArray kind =
            u"SELECT type FROM sqlite_master WHERE name = '%1' COLLATE NOCASE"_s.arg(def.sqlName).toUtf8();
        if (c->query(kind.constData(), &kinds) != SQLITE_OK) throw InputError(u"%1: %2"_s.arg(name, c->error()));
        if (!kinds.isEmpty() && !kinds.contains(u"table"_s))
            throw InputError(u"%1: not a backup of the register: %2 is not a table"_s.arg(name, def.sqlName));
        QStringList columns;
        const QByteArray sql = u"SELECT name FROM pragma_table_info('%1')"_s.arg(def.sqlName).toUtf8();
        if (c->query(sql.constData(), &columns) != SQLITE_OK) throw InputError(u"%1: %2"_s.arg(name, c->error()));
        if (columns.isEmpty())
            throw InputError(u"%1: not a backup of the register: table %2 is missing"_s.arg(name, def.sqlName));
        for (const FieldDef& f : def.fields)
            if (!columns.contains(f.name, Qt::CaseInsensitive))
                throw InputError(
                    u"%1: not a backup of the register: table %2 lacks field %3"_s.arg(name, def.sqlName, f.name));
    }
}

QString restore(const QString& backupFile, const QString& dataDir, const QDateTime& when, int keep)
{
    check(backupFile);
    if (Store::isServerLocation(dataDir)) return restoreServer(backupFile, dataDir, when, keep);
    if (!QFileInfo(dataDir).isDir()) throw StoreError(u"Folder not found: %1"_s.arg(native(dataDir)));
    const StoreLock lock(dataDir, StoreLock::Kind::Restore);
    const QDir dir(dataDir);
    const QString store = dir.filePath(Store::fileName());
    const bool hadStore = QFileInfo::exists(store);
    if (!hadStore && QFileInfo::exists(store + u"-wal"_s))
        throw StoreError(u"%1 lies in %2 without its store; move it away before restoring"_s.arg(
            Store::fileName() + u"-wal"_s, native(dataDir)));

    // The backup's records go into a store made as init makes one: views, triggers, indexes or tables of its
    // own that a backup file may carry stay behind. The store's history goes on in it: the replaced store's
    // trail, clerks and keys, unless it has no trail yet (a store just made by init), then the backup's.
    const QString incoming = store + u".restoring"_s;
    const QString keptAs = hadStore ? keptName(dataDir, when) : QString();
    {
        BackupCopy from(backupFile, store + u".source"_s);
        std::unique_ptr<Store> live;
        try {
            if (hadStore) live = std::make_unique<Store>(dataDir);
        } catch (const MervanaError&) {
            // A store that no longer opens (what a restore may be for): its trail stays in the kept copy.
        }
        Store& history = live && !StoreCopy::trailEmpty(*live) ? *live : from.store();
        newStoreFile(incoming, [&](Store& to) {
            Transaction transaction(to);
            const QList<StoreCopy::TableCount> counts =
                StoreCopy::copyRecords(from.store(), to, false, StoreCopy::Own::Leave);
            StoreCopy::copyOwnTables(history, to);
            recordRestore(to, counts, backupFile, keptAs);
            transaction.commit();
        });
    }
    QString kept;
    try {
        if (hadStore) kept = keepAside(dataDir, store, keptAs);
        if (!replaceFile(incoming, store))
            throw StoreError(u"Cannot put the backup in place of %1"_s.arg(native(store)));
    } catch (...) {
        if (!kept.isEmpty()) QFile::remove(kept); // the old store is still in its place: no need of a copy
        removeStoreFile(incoming);
        throw;
    }
    if (!syncFolder(dataDir))
        throw StoreError(
            u"The store in %1 was restored, but the folder could not be written to the disk"_s.arg(native(dataDir)));
    prune(named(dataDir, replacedName()), keep, kept);
    return kept;
}

QStringList list(const QString& folder)
{
    return named(folder, backupName());
}

DailyResult daily(const QString& dataDir, const QString& folder, int keep, const QDateTime& when,
                  const Progress& progress)
{
    DailyResult result;
    const QString today = u"mervana-"_s + when.toString(u"yyyy-MM-dd-"_s);
    const QStringList before = list(folder);
    const bool done = std::any_of(before.begin(), before.end(),
                                  [&](const QString& path) { return QFileInfo(path).fileName().startsWith(today); });
    if (!done) result.written = writeBackup(dataDir, folder, when, progress, 1024, false);
    result.removed = prune(list(folder), keep, result.written);
    return result;
}

} // namespace Backup
