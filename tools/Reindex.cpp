#include "core/Maintenance.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Names.h"
#include "tools/Admin.h"

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

int adminReindex(const Admin::Args& a)
{
    const QString dir = a.args.at(0);
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"reindex"_s); status != Admin::Ok) return status;

    // The register's command without its windows: one instance of each table stands in for them.
    const StoreLock mark(dir, StoreLock::Kind::Open); // no restore while it writes
    Shop shop(dir);
    std::vector<std::unique_ptr<Table>> own;
    QList<Table*> instances;
    for (const QString& file : {Tab::ZmluvyDbf, Tab::OsobyDbf, Tab::InventarDbf, Tab::PredlzDbf}) {
        own.push_back(std::make_unique<Table>(shop.store(), file));
        own.back()->open();
        instances << own.back().get();
    }
    Maintenance::Reindex({shop.Table1, shop.Table2, shop.Table3, shop.Table4}, instances);
    shop.store().checkpoint();
    return Admin::Ok;
}
