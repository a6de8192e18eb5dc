#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// Backups of the store: consistent copies written while the register runs, their check, putting one
// back, and the daily backup with its pruning. None needs a window; a window passes a progress callback.
namespace Backup {

// Called after each step of a copy with the pages copied and the pages in all, then now and then with
// (0, 0) while the copy is checked, which cannot say how far it is; returning false stops the backup
// (StoreError "Backup cancelled", no copy left behind). Pending events run between the steps through
// EventPump::breathe().
using Progress = std::function<bool(qint64 done, qint64 total)>;

// "mervana-YYYY-MM-DD-HHMMSS.db" for the moment when.
QString fileName(const QDateTime& when);
// ".head": beside each backup written, a file of that name plus this holds the head of the trail the backup holds
// ("SEQ:" and the first 16 hex of its HASH), for audit-verify --expect.
QString headSuffix();

// Writes a consistent copy of the store in dataDir into destDir (made when missing) through SQLite's
// online backup, even while other connections write: the copy holds the store as it was when the
// backup began. The copy is checked (PRAGMA integrity_check) before it takes its name, fileName(when)
// (with "-2", "-3" ... when that is taken). Returns its path. Throws StoreError; nothing is left then.
QString write(const QString& dataDir, const QString& destDir, const QDateTime& when, const Progress& progress = {},
              int pagesPerStep = 1024);

// The copy alone, as write() makes it before the check: a consistent copy of the store in dataDir at
// target (replaced), flushed to the disk. Throws StoreError.
void copyStore(const QString& dataDir, const QString& target, const Progress& progress = {}, int pagesPerStep = 1024);

// Checks a backup file: a database that passes PRAGMA integrity_check and holds the register's eight
// tables with their fields. Throws InputError naming the file and the fault; StoreError "Backup
// cancelled" when progress says stop.
void check(const QString& backupFile, const Progress& progress = {});

// Puts the records of backupFile in place of the store in dataDir. Checks the backup first (InputError), then
// refuses (StoreError) while a program of the register holds the store open (StoreLock) or any other
// connection is open on it. The records go into a store made fresh, as init makes one, which then takes the
// store's place in one step: whatever else the backup file carries (views, triggers, tables of its own) stays
// behind. The replaced store stays beside the new one as "mervana-replaced-YYYY-MM-DD-HHMMSS.db"; returns its
// path, empty when dataDir held no store. A server store (dataDir a postgresql:// location) has its records
// replaced in one transaction that holds it alone, refused while a program of the register has it open; the
// replaced records are kept in such a file beside backupFile. When the connection breaks during that commit,
// the error (CommitUnknown) says that nobody knows whether the store was replaced and names the kept file.
// Of the replaced stores in that folder the newest keep (at least 1) stay; older ones are removed.
QString restore(const QString& backupFile, const QString& dataDir, const QDateTime& when, int keep);

// The backups in folder (files named as fileName() gives), oldest first.
QStringList list(const QString& folder);

struct DailyResult
{
    QString written;     // the backup written; empty when folder held one of that day already
    QStringList removed; // older backups removed to keep the newest
};

// The backup at the first start of a day: writes one into folder unless it holds one of when's day
// already, then removes the oldest backups in folder beyond keep (at least 1 is kept).
DailyResult daily(const QString& dataDir, const QString& folder, int keep, const QDateTime& when,
                  const Progress& progress = {});

} // namespace Backup
