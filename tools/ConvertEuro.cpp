#include "core/ContractTemplate.h"
#include "core/EuroConversion.h"
#include "core/Money.h"
#include "store/Store.h"
#include "store/admin/Backup.h"
#include "store/admin/EngineConfig.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Errors.h"
#include "tools/Admin.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// The shop's own contract templates that still state a sum in crowns: the register's copy in the user's data
// folder, and the one beside a data folder (a register run from its build or a shop folder). They are the shop's
// texts: named, never rewritten.
QStringList templatesWithCrowns(const QString& dir)
{
    QStringList candidates{
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(u"mervana/ZMLUVA.TXT"_s)};
    if (!Store::isServerLocation(dir)) candidates << QDir(dir).absoluteFilePath(u"../ZMLUVA.TXT"_s);
    static const QRegularExpression crowns(u"\\bSk\\b"_s);
    QStringList found;
    for (const QString& path : candidates) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QStringList lines = ContractTemplate::decode(file.readAll());
        if (lines.join(u'\n').contains(crowns)) found << QDir::toNativeSeparators(QDir::cleanPath(path));
    }
    return found;
}

} // namespace

int adminConvertEuro(const Admin::Args& a)
{
    const QString dir = a.args.at(0);
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"convert-euro"_s); status != Admin::Ok)
        return status;
    // A register left open would go on taking crowns into a euro store: the store must be this command's alone (on a
    // server the owner closes the registers).
    std::unique_ptr<StoreLock> alone;
    try {
        alone = std::make_unique<StoreLock>(dir, StoreLock::Kind::Restore);
    } catch (const StoreError& e) {
        return Admin::fail(u"convert-euro needs the store to itself: %1"_s.arg(e.text()));
    }
    Store store(dir);
    if (store.currency() == Currency::Eur)
        return Admin::fail(u"the store %1 counts in euros already; nothing was converted"_s.arg(Admin::location(dir)));

    // The crown store as it was, beside it, before anything is written.
    const QString folder = Store::isServerLocation(dir) ? EngineConfig::backupDir(dir) : dir;
    const QString backup = Backup::write(dir, folder, QDateTime::currentDateTime());
    Admin::out(u"Backup of the crown store: %1"_s.arg(QDir::toNativeSeparators(backup)));

    const EuroConversion::Result result = EuroConversion::convert(store);
    for (const auto& [table, records] : result.records)
        Admin::out(u"%1: %2 records"_s.arg(table).arg(records));
    for (const EuroConversion::FieldSum& s : result.sums)
        Admin::out(u"%1.%2: %3 -> %4"_s.arg(s.table, s.field, Money::fromCents(s.before).withUnit(Currency::Skk),
                                            Money::fromCents(s.after).withUnit(Currency::Eur)));
    Admin::out(u"The store %1 counts in euros now."_s.arg(Admin::location(dir)));
    for (const QString& path : templatesWithCrowns(dir))
        Admin::out(u"The contract template %1 still mentions Sk: change it with \"Text zmluvy\"."_s.arg(path));
    return Admin::Ok;
}
