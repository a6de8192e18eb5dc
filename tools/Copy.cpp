#include "store/Store.h"
#include "store/admin/StoreCopy.h"
#include "tools/Admin.h"

using namespace Qt::Literals::StringLiterals;

int adminCopy(const Admin::Args& a)
{
    const QStringList& args = a.args;
    const QString counters = a.value(u"counters"_s);
    if (!counters.isEmpty() && !Store::isServerLocation(args.at(1)))
        return Admin::usage(u"--counters names a role of a server store only"_s);
    const QList<StoreCopy::TableCount> counts = StoreCopy::copy(args.at(0), args.at(1), {}, counters);
    qint64 total = 0;
    for (const StoreCopy::TableCount& c : counts) {
        Admin::out(u"%1: %2"_s.arg(c.table).arg(c.records));
        total += c.records;
    }
    Admin::out(u"Copied %1 records from %2 to %3; the counts of both agree"_s.arg(total).arg(
        Admin::location(args.at(0)), Admin::location(args.at(1))));
    return Admin::Ok;
}
