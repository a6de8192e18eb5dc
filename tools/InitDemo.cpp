#include "store/Clock.h"
#include "store/Store.h"
#include "store/admin/StoreLock.h"
#include "tools/Admin.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

int adminInit(const Admin::Args& a)
{
    const QString dir = a.args.first();
    const auto currency = currencyOf(a.has(u"currency"_s) ? a.value(u"currency"_s) : u"SKK"_s);
    if (!currency) return Admin::wrongArgument(u"--currency takes SKK or EUR"_s, a.value(u"currency"_s));
    const StoreLock mark(dir, StoreLock::Kind::Create); // no restore into the folder while the store is made
    const QString counters = a.value(u"counters"_s);
    if (!counters.isEmpty() && !Store::isServerLocation(dir))
        return Admin::usage(u"--counters names a role of a server store only"_s);
    Store::createEmpty(dir, Store::Genesis::Written, counters, *currency);
    Admin::out(u"Created the empty store %1"_s.arg(Store::displayName(dir)));
    return Admin::Ok;
}

int adminDemo(const Admin::Args& a)
{
    const QString scaleText = a.has(u"scale"_s) ? a.value(u"scale"_s) : u"1"_s;
    const QString newestText = a.value(u"newest"_s), firstText = a.value(u"first"_s);
    bool ok = false;
    const int scale = scaleText.toInt(&ok);
    if (!ok || scale < 1 || scale > DemoData::MaxScale)
        return Admin::usage(
            u"--scale needs a whole number from 1 to %1, not %2"_s.arg(DemoData::MaxScale).arg(scaleText));
    const QString dir = a.args.first();
    if (!Store::isServerLocation(dir) && !QFileInfo(dir).isDir())
        return Admin::fail(u"folder not found: %1"_s.arg(QDir::toNativeSeparators(dir)));
    if (!Store::exists(dir))
        return Admin::fail(u"no store in %1; create it first with: mervana-admin init %1"_s.arg(Admin::location(dir)));
    std::optional<DemoData::Variant> variant;
    if (!newestText.isEmpty() || !firstText.isEmpty()) {
        DemoData::Variant v = DemoData::variantFor(scale);
        const QStringList states{u"open"_s, u"paid"_s, u"paid-forfeited"_s, u"extended"_s, u"forfeited-sold"_s};
        const QStringList persons{u"pledger"_s, u"undesirable"_s, u"without-contracts"_s};
        if (!newestText.isEmpty()) {
            if (!states.contains(newestText))
                return Admin::usage(
                    u"unknown state: %1 (--newest takes one of: %2)"_s.arg(newestText, states.join(u", "_s)));
            v.newest = DemoData::Newest(states.indexOf(newestText));
        }
        if (!firstText.isEmpty()) {
            if (!persons.contains(firstText))
                return Admin::usage(
                    u"unknown person: %1 (--first takes one of: %2)"_s.arg(firstText, persons.join(u", "_s)));
            v.first = DemoData::FirstPerson(persons.indexOf(firstText));
        }
        variant = v;
    }
    const StoreLock mark(dir, StoreLock::Kind::Open); // no restore while it writes
    Store store(dir);
    const DemoData::Counts c = DemoData::fill(store, scale, Clock::today(), variant);
    Admin::out(u"Wrote %1 contracts, %2 goods, %3 extensions and %4 persons to %5"_s.arg(c.contracts)
                   .arg(c.goods)
                   .arg(c.extensions)
                   .arg(c.persons)
                   .arg(Admin::location(dir)));
    return Admin::Ok;
}
