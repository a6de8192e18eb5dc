#include "store/Store.h"
#include "store/admin/StoreCopy.h"
#include "store/engine/Schema.h"
#include "store/trail/Trail.h"
#include "tools/Admin.h"

#include <QFileInfo>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

int adminCopy(const Admin::Args& a)
{
    const QStringList& args = a.args;
    const QString& source = args.at(0);
    const QString counters = a.value(u"counters"_s);
    if (!counters.isEmpty() && !Store::isServerLocation(args.at(1)))
        return Admin::usage(u"--counters names a role of a server store only"_s);
    // Every record leaves the source: the owner's to decide once clerks work it.
    if (const int status = Admin::signInOwner(source, a.value(u"as"_s), u"copy"_s); status != Admin::Ok) return status;
    const QList<StoreCopy::TableCount> counts = StoreCopy::copy(source, args.at(1), {}, counters);
    qint64 total = 0;
    QJsonObject byTable;
    for (const StoreCopy::TableCount& c : counts) {
        Admin::out(u"%1: %2"_s.arg(c.table).arg(c.records));
        total += c.records;
        const TableDef* def = Schema::find(c.table);
        byTable.insert(def ? def->sqlName : c.table, c.records);
    }
    // A backup file copied from is no store whose trail could say so; a store is.
    if (!QFileInfo(source).isFile()) {
        Store from(source);
        Trail::recordExport(from, u"copy"_s, Store::displayName(args.at(1)), {{u"counts"_s, byTable}});
    }
    Admin::out(u"Copied %1 records from %2 to %3; the counts of both agree"_s.arg(total).arg(
        Admin::location(source), Admin::location(args.at(1))));
    return Admin::Ok;
}
