#include "store/Clock.h"
#include "store/Errors.h"
#include "store/Store.h"
#include "tools/DemoData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Usage = 2;
constexpr int Failure = 1;

void print(FILE* stream, const QString& text)
{
    std::fputs(qUtf8Printable(text + u'\n'), stream);
}

int usage(const QString& problem = {})
{
    if (!problem.isEmpty()) print(stderr, u"mervana-admin: "_s + problem);
    print(stderr, u"usage: mervana-admin init DIR\n"
                  u"       mervana-admin demo DIR [--scale N]\n"
                  u"  init  creates the empty store of a fresh installation in DIR\n"
                  u"  demo  fills the empty store in DIR with N small shops of demo records (N = 1 by default)"_s);
    return Usage;
}

int fail(const QString& text)
{
    print(stderr, u"mervana-admin: "_s + text);
    return Failure;
}

int init(const QString& dir)
{
    Store::createEmpty(dir);
    print(stdout, u"Created the empty store %1"_s.arg(QDir::toNativeSeparators(QDir(dir).filePath(Store::fileName()))));
    return 0;
}

int demo(const QString& dir, int scale)
{
    if (!QFileInfo(dir).isDir()) return fail(u"folder not found: %1"_s.arg(QDir::toNativeSeparators(dir)));
    if (!QFileInfo::exists(QDir(dir).filePath(Store::fileName())))
        return fail(
            u"no store in %1; create it first with: mervana-admin init %1"_s.arg(QDir::toNativeSeparators(dir)));
    Store store(dir);
    const DemoData::Counts c = DemoData::fill(store, scale, Clock::today());
    print(stdout, u"Wrote %1 contracts, %2 goods, %3 extensions and %4 persons to %5"_s.arg(c.contracts)
                      .arg(c.goods)
                      .arg(c.extensions)
                      .arg(c.persons)
                      .arg(QDir::toNativeSeparators(dir)));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return usage();
    const QString command = args.takeFirst();
    try {
        if (command == u"init"_s) {
            if (args.size() != 1) return usage(u"init takes exactly one folder"_s);
            return init(args.first());
        }
        if (command == u"demo"_s) {
            QString dir;
            int scale = 1;
            for (qsizetype i = 0; i < args.size(); ++i) {
                if (args.at(i) == u"--scale"_s) {
                    bool ok = false;
                    scale = i + 1 < args.size() ? args.at(i + 1).toInt(&ok) : 0;
                    if (!ok || scale < 1 || scale > DemoData::MaxScale)
                        return usage(u"--scale needs a whole number from 1 to %1"_s.arg(DemoData::MaxScale));
                    ++i;
                } else if (dir.isEmpty() && !args.at(i).startsWith(u'-')) {
                    dir = args.at(i);
                } else {
                    return usage(u"unexpected argument: %1"_s.arg(args.at(i)));
                }
            }
            if (dir.isEmpty()) return usage(u"demo needs a folder"_s);
            return demo(dir, scale);
        }
        return usage(u"unknown command: %1"_s.arg(command));
    } catch (const MervanaError& e) {
        return fail(e.text());
    }
}
