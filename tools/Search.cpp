#include "core/GoodsSearch.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Names.h"
#include "tools/Admin.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

int adminSearch(const Admin::Args& a)
{
    const QString dir = a.args.at(0);
    const QString text = a.args.at(1);
    if (text.isEmpty()) return Admin::usage(u"the text to look for is empty"_s);
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);

    // The goods window's own search: the marks are stored, so the register shows the same hits.
    const StoreLock mark(dir, StoreLock::Kind::Open);
    Shop shop(dir);
    Table goods(shop.store(), Tab::InventarDbf);
    goods.setIndexName(Col::NUMBER);
    goods.open();
    GoodsSearch::markAndShow(goods, text);
    qint64 hits = 0;
    for (goods.first(); !goods.eof(); goods.next()) {
        Admin::out(goods.field(Col::NUMBER).asString() + u'\t' + goods.field(Col::SUBJECT).asString());
        ++hits;
    }
    Admin::print(stderr, u"%1 found"_s.arg(hits));
    return Admin::Ok;
}
