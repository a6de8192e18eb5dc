#pragma once

#include <QString>
#include <memory>

class QLockFile;

// Keeps a restore from replacing the store under a running register. Every program that opens the store
// holds an Open mark: a lock file of its own in the folder "mervana-open" beside the store, so any number
// of them may run at once. A restore holds the one Restore lock ("mervana-restore.lock") and refuses while
// a live Open mark exists; a program refuses to open the store while a restore runs. Marks left behind by
// a program that crashed name a dead process and are cleared by the next look. A store on a server takes
// no lock here.
class StoreLock
{
public:
    // Create: the mark of Open, taken also while the folder holds no store yet (init making one).
    enum class Kind { Open, Create, Restore };

    // Throws StoreError: Open or Create while a restore runs; Restore while a program holds the store open or
    // another restore runs; any when the lock file cannot be written. Open marks nothing when dataDir holds
    // no store, Create nothing when dataDir names a store file rather than a folder.
    StoreLock(const QString& dataDir, Kind kind);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    std::unique_ptr<QLockFile> m_lock;
};
