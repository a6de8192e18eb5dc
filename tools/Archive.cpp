#include "core/ArchiveMove.h"
#include "core/Shop.h"
#include "core/Statistics.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Names.h"
#include "tools/Admin.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

bool hasStore(const QString& dir)
{
    return Store::exists(dir);
}

// The archive tables, each opened by the routine that uses it.
struct ArchiveTables
{
    explicit ArchiveTables(Store& store)
        : contracts(store, Tab::XzmluvyDbf), extensions(store, Tab::XpredlzDbf), goods(store, Tab::XinventDbf)
    {
    }
    ArchiveMove::Tables tables() { return {contracts, extensions, goods}; }
    Table contracts, extensions, goods;
};

QString countsText(const ArchiveMove::Counts& c)
{
    return u"%1 contracts, %2 goods, %3 extensions"_s.arg(c.contracts).arg(c.goods).arg(c.extensions);
}

} // namespace

int adminArchive(const Admin::Args& a)
{
    QDate from, to;
    if (!Admin::optionDate(a, u"from"_s, &from) || !Admin::optionDate(a, u"to"_s, &to)) return Admin::Usage;
    if (!from.isValid() || !to.isValid()) return Admin::usage(u"archive needs --from DATE and --to DATE"_s);
    if (to < from) return Admin::usage(u"the period ends before it begins"_s);
    const QString dir = a.args.first();
    if (!hasStore(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"archive"_s); status != Admin::Ok) return status;

    const StoreLock mark(dir, StoreLock::Kind::Open); // no restore while it writes
    Shop shop(dir);
    ArchiveTables archive(shop.store());
    const ArchiveMove::Tables live{*shop.Table1, *shop.Table3, *shop.Table4};
    // Without a question between them, the marks and the move land together or not at all.
    Transaction transaction(shop.store());
    ArchiveMove::markFinished(live, from, to);
    const ArchiveMove::Counts moved = ArchiveMove::moveMarked(live, archive.tables(), from, to);
    transaction.commit();
    Admin::out(u"Moved to the archive: "_s + countsText(moved));
    return Admin::Ok;
}

int adminDearchive(const Admin::Args& a)
{
    const QString dir = a.args.first();
    if (!hasStore(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"dearchive"_s); status != Admin::Ok)
        return status;
    const StoreLock mark(dir, StoreLock::Kind::Open);
    Shop shop(dir);
    ArchiveTables archive(shop.store());
    const ArchiveMove::Restored restored =
        ArchiveMove::moveBack({*shop.Table1, *shop.Table3, *shop.Table4}, archive.tables());
    Admin::out(u"Moved back from the archive: "_s + countsText(restored.counts));
    if (!restored.duplicates.isEmpty())
        Admin::out(u"Contract numbers now twice in the register: "_s + restored.duplicates.join(u", "_s));
    return Admin::Ok;
}

int adminStats(const Admin::Args& a)
{
    const QString dir = a.args.first();
    if (!hasStore(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    Shop shop(dir);
    ArchiveTables archive(shop.store());
    const Currency currency = shop.store().currency();
    Admin::out(u"Peniaze v obehu: "_s + Statistics::circulation(*shop.Table1).withUnit(currency));
    Admin::out(u"Záložná hodnota: "_s + Statistics::pledge(*shop.Table4).withUnit(currency));
    const Statistics::RecordCounts c = Statistics::countRecords(*shop.Table1, *shop.Table2, *shop.Table4, *shop.Table3,
                                                                archive.contracts, archive.goods, archive.extensions);
    const std::pair<const char*, int> lines[] = {{"Zmluvy", c.contracts},
                                                 {"Osoby", c.persons},
                                                 {"Inventár (predmety)", c.goods},
                                                 {"Predĺženia", c.extensions},
                                                 {"Archív zmlúv", c.archivedContracts},
                                                 {"Archív predmetov", c.archivedGoods},
                                                 {"Archív predĺžení", c.archivedExtensions}};
    for (const auto& [name, count] : lines)
        Admin::out(QString::fromUtf8(name) + u": "_s + QString::number(count));
    return Admin::Ok;
}
