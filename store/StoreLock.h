#pragma once

#include <QString>
#include <memory>

class QLockFile;

// Keeps a restore from replacing the store under a running register. Every program that opens the store
// holds an Open mark: a lock file of its own in the folder "mervana-open" beside the store, so any number
// of them may run at once. A restore holds the one Restore lock ("mervana-restore.lock") and refuses while
// a live Open mark exists; a program refuses to open the store while a restore runs. Marks left behind by
// a program that crashed name a dead process and are cleared by the next look.
class StoreLock
{
public:
    enum class Kind { Open, Restore };

    // Throws StoreError: Open while a restore runs; Restore while a program holds the store open or
    // another restore runs; either when the lock file cannot be written. Open marks nothing when dataDir
    // holds no store.
    StoreLock(const QString& dataDir, Kind kind);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    std::unique_ptr<QLockFile> m_lock;
};
