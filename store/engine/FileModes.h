#pragma once

#include <QString>
#include <QStringList>

// The register holds birth numbers, identity cards and addresses: nothing of it may be open to other
// accounts of the computer. A shop that shares one store among several accounts does so through a group
// of its own, so the group's rights are always left as they are.
namespace FileModes {

// The umask of both programs, set first thing in main(): whatever they create is 0660 or 0770 at most.
void keepPrivate();

// Takes from the SQLite store file, the journal files beside it and, when folderToo, its folder and the backup
// folder in it (Zaloha, with the backups in it) the rights of other accounts. Notes the file (see takeRestricted)
// when anything had to change.
void restrictStore(const QString& storeFile, bool folderToo);

// Takes the rights of other accounts from a folder of backups and the backups in it (files named mervana-*);
// returns whether anything had to change. Nothing when it is no folder.
bool restrictBackups(const QString& folder);

// The store files whose rights were narrowed since the last call, each once.
QStringList takeRestricted();

} // namespace FileModes
