#include "store/Backup.h"
#include "store/Clock.h"
#include "store/EngineConfig.h"
#include "store/Errors.h"
#include "tools/Admin.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

int adminBackup(QStringList args)
{
    if (args.size() != 2 || args.at(0).startsWith(u'-') || args.at(1).startsWith(u'-'))
        return Admin::usage(u"backup takes a data folder and a folder for the backup"_s);
    const QString written = Backup::write(args.at(0), args.at(1), Clock::now());
    Admin::out(u"Wrote and checked %1"_s.arg(QDir::toNativeSeparators(written)));
    return Admin::Ok;
}

int adminRestore(QStringList args)
{
    if (args.size() != 2 || args.at(0).startsWith(u'-') || args.at(1).startsWith(u'-'))
        return Admin::usage(u"restore takes a backup file and a data folder"_s);
    const QString dataDir = args.at(1);
    QString kept;
    try {
        kept = Backup::restore(args.at(0), dataDir, Clock::now(), EngineConfig::backupKeep());
    } catch (const InputError& e) {
        Admin::fail(e.text(), Admin::Usage);
        return Admin::fail(u"nothing was restored"_s, Admin::Usage);
    }
    Admin::out(u"Restored the store in %1 from %2"_s.arg(QDir::toNativeSeparators(dataDir),
                                                         QDir::toNativeSeparators(args.at(0))));
    if (!kept.isEmpty()) Admin::out(u"The replaced store is kept as %1"_s.arg(QDir::toNativeSeparators(kept)));
    return Admin::Ok;
}
