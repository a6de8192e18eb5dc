#include "store/Clock.h"
#include "store/Store.h"
#include "tools/Admin.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

int adminInit(QStringList args)
{
    if (args.size() != 1) return Admin::usage(u"init takes exactly one folder"_s);
    const QString dir = args.first();
    Store::createEmpty(dir);
    Admin::out(u"Created the empty store %1"_s.arg(QDir::toNativeSeparators(QDir(dir).filePath(Store::fileName()))));
    return Admin::Ok;
}

int adminDemo(QStringList args)
{
    QString scaleText = u"1"_s;
    if (!Admin::takeOption(args, u"--scale"_s, &scaleText))
        return Admin::usage(u"--scale needs a whole number from 1 to %1"_s.arg(DemoData::MaxScale));
    bool ok = false;
    const int scale = scaleText.toInt(&ok);
    if (!ok || scale < 1 || scale > DemoData::MaxScale)
        return Admin::usage(u"--scale needs a whole number from 1 to %1"_s.arg(DemoData::MaxScale));
    if (args.size() != 1 || args.first().startsWith(u'-'))
        return Admin::usage(args.isEmpty() ? u"demo needs a folder"_s : u"unexpected argument: %1"_s.arg(args.last()));
    const QString dir = args.first();
    if (!QFileInfo(dir).isDir()) return Admin::fail(u"folder not found: %1"_s.arg(QDir::toNativeSeparators(dir)));
    if (!QFileInfo::exists(QDir(dir).filePath(Store::fileName())))
        return Admin::fail(
            u"no store in %1; create it first with: mervana-admin init %1"_s.arg(QDir::toNativeSeparators(dir)));
    Store store(dir);
    const DemoData::Counts c = DemoData::fill(store, scale, Clock::today());
    Admin::out(u"Wrote %1 contracts, %2 goods, %3 extensions and %4 persons to %5"_s.arg(c.contracts)
                   .arg(c.goods)
                   .arg(c.extensions)
                   .arg(c.persons)
                   .arg(QDir::toNativeSeparators(dir)));
    return Admin::Ok;
}
