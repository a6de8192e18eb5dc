#include "store/engine/FileModes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList restricted;

constexpr mode_t Others = S_IRWXO;

// True when path exists and had rights for others that are gone now. A file system that keeps no modes
// (a FAT stick) ignores the change: nothing is claimed then.
bool restrict(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat before;
    if (::lstat(name.constData(), &before) != 0 || S_ISLNK(before.st_mode) || !(before.st_mode & Others)) return false;
    if (::chmod(name.constData(), before.st_mode & 07777 & ~Others) != 0) return false;
    struct stat after;
    return ::lstat(name.constData(), &after) == 0 && !(after.st_mode & Others);
}

} // namespace

namespace FileModes {

void keepPrivate()
{
    ::umask(S_IRWXO);
}

void restrictStore(const QString& storeFile, bool folderToo)
{
    // The journal files first: SQLite gives new ones the mode of the store file, but keeps old ones as they are.
    bool changed = false;
    for (const QString& suffix : {u"-wal"_s, u"-shm"_s, u"-journal"_s, QString()})
        changed = restrict(storeFile + suffix) || changed;
    if (folderToo) {
        const QString folder = QFileInfo(storeFile).absolutePath();
        changed = restrict(folder) || changed;
        changed = restrictBackups(QDir(folder).filePath(u"Zaloha"_s)) || changed;
    }
    if (changed && !restricted.contains(storeFile)) restricted << storeFile;
}

bool restrictBackups(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir() || info.isSymLink()) return false;
    // The backups, the replaced stores and what is written beside them; whatever else a shop keeps there stays.
    bool changed = false;
    const QStringList files = QDir(folder).entryList({u"mervana-*"_s}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : files)
        changed = restrict(QDir(folder).filePath(name)) || changed;
    return restrict(folder) || changed;
}

QStringList takeRestricted()
{
    return std::exchange(restricted, {});
}

} // namespace FileModes
