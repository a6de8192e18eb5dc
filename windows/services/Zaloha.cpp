#include "windows/services/Zaloha.h"

#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/admin/Backup.h"
#include "store/admin/EngineConfig.h"
#include "store/engine/Errors.h"
#include "widgets/Frame.h"
#include "widgets/Messages.h"
#include "widgets/WaitCursor.h"

#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

Zaloha::FolderChooser s_chooser;

const QString Cancelled = u"Backup cancelled"_s;

QString chooseFolder(QWidget* parent, const QString& proposed)
{
    if (s_chooser) return s_chooser(parent, proposed);
    return QFileDialog::getExistingDirectory(parent, u"Záloha dát do priečinka"_s, proposed);
}

} // namespace

namespace Zaloha {

void setFolderChooser(FolderChooser chooser)
{
    s_chooser = std::move(chooser);
}

void BackupToFolder(Frame& frame)
{
    QString proposed = EngineConfig::lastBackupFolder();
    if (proposed.isEmpty()) proposed = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    const QString folder = chooseFolder(frame.frameWidget(), proposed);
    if (folder.isEmpty()) return;
    EngineConfig::setLastBackupFolder(folder);

    QProgressDialog progress(u"Zálohujú sa dáta..."_s, u"&Storno"_s, 0, 100, frame.frameWidget());
    progress.setObjectName(u"BackupProgress"_s);
    progress.setWindowTitle(u"Záloha"_s);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    QString written;
    {
        WaitCursor wait;
        try {
            written =
                Backup::write(frame.shop().store().dataDir(), folder, Clock::now(), [&](qint64 done, qint64 total) {
                    if (total > 0) {
                        progress.setMaximum(100);
                        progress.setValue(int(done * 100 / total));
                    } else {
                        progress.setMaximum(0); // the check cannot tell how far it is
                    }
                    return !progress.wasCanceled();
                });
        } catch (const StoreError& e) {
            if (e.text() == Cancelled) return; // the clerk's own choice needs no message
            throw;
        }
    }
    progress.reset();
    Messages::information(u"Záloha bola zapísaná do súboru\r"_s + QDir::toNativeSeparators(written));
}

void DailyBackup(Frame& frame)
{
    const QString dataDir = frame.shop().store().dataDir();
    try {
        WaitCursor wait;
        Backup::daily(dataDir, EngineConfig::backupDir(dataDir), EngineConfig::backupKeep(), Clock::now());
    } catch (const MervanaError& e) {
        Messages::warning(u"Dnešná záloha dát sa nepodarila:\r"_s + e.text());
    }
}

} // namespace Zaloha
