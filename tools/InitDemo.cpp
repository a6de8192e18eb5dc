#include "store/Clock.h"
#include "store/Store.h"
#include "store/StoreLock.h"
#include "tools/Admin.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

int adminInit(QStringList args)
{
    if (args.size() != 1) return Admin::usage(u"init takes exactly one folder"_s);
    const QString dir = args.first();
    const StoreLock mark(dir, StoreLock::Kind::Create); // no restore into the folder while the store is made
    Store::createEmpty(dir);
    Admin::out(u"Created the empty store %1"_s.arg(Store::displayName(dir)));
    return Admin::Ok;
}

int adminDemo(QStringList args)
{
    QString scaleText = u"1"_s;
    QString newestText, firstText;
    if (!Admin::takeOption(args, u"--newest"_s, &newestText) || !Admin::takeOption(args, u"--first"_s, &firstText))
        return Admin::usage(u"--newest and --first need a value"_s);
    if (!Admin::takeOption(args, u"--scale"_s, &scaleText))
        return Admin::usage(u"--scale needs a whole number from 1 to %1"_s.arg(DemoData::MaxScale));
    bool ok = false;
    const int scale = scaleText.toInt(&ok);
    if (!ok || scale < 1 || scale > DemoData::MaxScale)
        return Admin::usage(u"--scale needs a whole number from 1 to %1"_s.arg(DemoData::MaxScale));
    if (args.size() != 1 || args.first().startsWith(u'-'))
        return Admin::usage(args.isEmpty() ? u"demo needs a folder"_s : u"unexpected argument: %1"_s.arg(args.last()));
    const QString dir = args.first();
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
            if (!states.contains(newestText)) return Admin::usage(u"--newest takes one of: "_s + states.join(u", "_s));
            v.newest = DemoData::Newest(states.indexOf(newestText));
        }
        if (!firstText.isEmpty()) {
            if (!persons.contains(firstText)) return Admin::usage(u"--first takes one of: "_s + persons.join(u", "_s));
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
