#include "store/Clock.h"
#include "store/Store.h"
#include "store/admin/Backup.h"
#include "store/admin/EngineConfig.h"
#include "store/engine/Errors.h"
#include "tools/Admin.h"

#include <QDir>
#include <memory>

using namespace Qt::Literals::StringLiterals;

int adminBackup(const Admin::Args& a)
{
    const QStringList& args = a.args;
    const QString written = Backup::write(args.at(0), args.at(1), Clock::now());
    Admin::out(u"Wrote and checked %1"_s.arg(QDir::toNativeSeparators(written)));
    return Admin::Ok;
}

int adminRestore(const Admin::Args& a)
{
    const QStringList& args = a.args;
    const QString owner = a.value(u"as"_s);
    const QString dataDir = args.at(1);
    // The live store's clerks decide, which a restore keeps. A store too damaged to open has none to ask: mending it
    // is what a restore is for, and whoever may replace its file may as well.
    std::unique_ptr<Store> live;
    try {
        if (Store::exists(dataDir)) live = std::make_unique<Store>(dataDir);
    } catch (const StoreError& e) {
        Admin::print(stderr, u"mervana-admin: the store cannot be opened to ask for its owner: "_s + e.text());
    }
    if (live)
        if (const int status = Admin::signInOwner(*live, owner, u"restore"_s); status != Admin::Ok) return status;
    live.reset(); // the restore wants the store to itself
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
