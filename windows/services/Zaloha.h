#pragma once

#include <QString>
#include <functional>

class Frame;
class QWidget;

// The backup from the menu and the one written at the first start of a day. Both copy the open store
// through the store's online backup while the register keeps it open.
namespace Zaloha {

// "&Servis" > "&Záloha": asks for a folder (the last one used is proposed and kept), writes the backup
// with a progress dialog and tells which file was written. Cancelling either leaves nothing behind.
void BackupToFolder(Frame& frame);

// At start-up: the first start of a day writes a backup into BackupDir of the engine configuration and
// keeps the newest BackupKeep. A failure is shown and the register goes on.
void DailyBackup(Frame& frame);

// Tests answer the folder question; empty means cancelled. Unset, the desktop's folder dialog asks.
using FolderChooser = std::function<QString(QWidget* parent, const QString& proposed)>;
void setFolderChooser(FolderChooser chooser);

} // namespace Zaloha
