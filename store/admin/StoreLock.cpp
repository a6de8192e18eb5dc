#include "store/admin/StoreLock.h"

#include "store/Store.h"
#include "store/engine/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <QUuid>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

QString openFolder(const QString& dataDir)
{
    return QDir(dataDir).filePath(u"mervana-open"_s);
}

QString restoreLockPath(const QString& dataDir)
{
    return QDir(dataDir).filePath(u"mervana-restore.lock"_s);
}

// A lock file that a program killed while it wrote it left empty names no process, and QLockFile never takes it
// for stale: it would keep every restore out for good. A holder keeps its file locked (flock) all along, so a
// file without content that nobody has locked, twice a moment apart, is nobody's. Removes it; true when gone.
bool clearUnreadable(const QString& path)
{
#ifdef Q_OS_UNIX
    for (int look = 0; look < 2; ++look) {
        if (look > 0) QThread::msleep(200); // the moment between a holder making the file and locking it
        if (!QFileInfo::exists(path)) return true;
        qint64 pid = 0;
        QString host, app;
        if (QLockFile(path).getLockInfo(&pid, &host, &app)) return false;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return !QFileInfo::exists(path);
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        if (locked) return false;
    }
    return QFile::remove(path);
#else
    Q_UNUSED(path);
    return false;
#endif
}

// Takes the lock file unless a living process holds it. Qt removes a dead holder's file under a ".rmlock" of its
// own; a program killed while it made that one leaves it empty, and Qt would wait half a minute before it takes
// it for stale: it is cleared as an empty lock file of ours is.
bool takeUnlessHeld(QLockFile& lock, const QString& path)
{
    if (lock.tryLock(0)) return true;
    if (lock.error() != QLockFile::LockFailedError) return false;
    if (clearUnreadable(path) && lock.tryLock(0)) return true;
    return lock.error() == QLockFile::LockFailedError && clearUnreadable(path + u".rmlock"_s) && lock.tryLock(0);
}

// Whether a running process holds the lock file at path; a file left by a dead one is removed.
// A lock is never taken as stale by its age alone: a register runs for days.
bool heldByLiveProcess(const QString& path, QString* holder)
{
    QLockFile probe(path);
    probe.setStaleLockTime(0);
    if (takeUnlessHeld(probe, path)) {
        probe.unlock();
        return false;
    }
    qint64 pid = 0;
    QString host, app;
    if (probe.getLockInfo(&pid, &host, &app))
        *holder = u"%1, process %2 on %3"_s.arg(app.isEmpty() ? u"?"_s : app).arg(pid).arg(host);
    else
        *holder = QDir::toNativeSeparators(path);
    return true;
}

} // namespace

StoreLock::StoreLock(const QString& dataDir, Kind kind)
{
    // Counters of a server store come and go as they like; a restore there holds the server's lock of it alone.
    if (Store::isServerLocation(dataDir)) return;
    const QString native = QDir::toNativeSeparators(dataDir);
    QString holder;
    if (kind != Kind::Restore) {
        const QString store = QDir(dataDir).filePath(Store::fileName());
        // No store, nothing to guard: opening it fails with the store's own message.
        if (kind == Kind::Open && !QFileInfo::exists(store)) return;
        // A store file named by its own path (not a data folder) is no data folder to mark.
        if (Store::displayName(dataDir) != QDir::toNativeSeparators(store)) return;
        const QString folder = openFolder(dataDir);
        if (!QDir().mkpath(folder))
            throw StoreError(u"Cannot mark the store in %1 as open: folder %2 cannot be made"_s.arg(
                native, QDir::toNativeSeparators(folder)));
        m_lock = std::make_unique<QLockFile>(
            QDir(folder).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) + u".lock"_s));
        m_lock->setStaleLockTime(0);
        if (!m_lock->tryLock(0))
            throw StoreError(u"Cannot mark the store in %1 as open: %2 cannot be written"_s.arg(
                native, QDir::toNativeSeparators(m_lock->fileName())));
        // Marked first, then looked: a restore that starts now sees the mark.
        if (heldByLiveProcess(restoreLockPath(dataDir), &holder)) {
            m_lock.reset();
            throw StoreError(u"The store in %1 is being restored (%2); start again when the restore has finished"_s.arg(
                native, holder));
        }
        return;
    }

    m_lock = std::make_unique<QLockFile>(restoreLockPath(dataDir));
    m_lock->setStaleLockTime(0);
    if (!takeUnlessHeld(*m_lock, restoreLockPath(dataDir))) {
        const bool running = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        if (running) throw StoreError(u"Another restore of the store in %1 is running"_s.arg(native));
        throw StoreError(u"Cannot lock the store in %1 for the restore"_s.arg(native));
    }
    const QDir folder(openFolder(dataDir));
    const QStringList marks = folder.entryList({u"*.lock"_s}, QDir::Files | QDir::Hidden);
    for (const QString& mark : marks) {
        if (heldByLiveProcess(folder.filePath(mark), &holder)) {
            m_lock.reset();
            throw StoreError(
                u"The register has the store in %1 open (%2); close it before restoring"_s.arg(native, holder));
        }
    }
}

StoreLock::~StoreLock() = default;
