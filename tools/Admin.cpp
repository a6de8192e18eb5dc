#include "tools/Admin.h"

#include "print/ReportCatalog.h"

#include <QDate>

using namespace Qt::Literals::StringLiterals;

namespace Admin {

void print(FILE* stream, const QString& text)
{
    std::fputs(qUtf8Printable(text + u'\n'), stream);
    std::fflush(stream);
}

void out(const QString& text)
{
    print(stdout, text);
}

int fail(const QString& problem, int status)
{
    print(stderr, u"mervana-admin: "_s + problem);
    return status;
}

int usage(const QString& problem)
{
    if (!problem.isEmpty()) print(stderr, u"mervana-admin: "_s + problem);
    print(stderr, u"usage: mervana-admin init DIR\n"
                  u"       mervana-admin demo DIR [--scale N] [--newest STATE] [--first PERSON]\n"
                  u"  init  creates the empty store of a fresh installation in DIR\n"
                  u"  demo  fills the empty store in DIR with N small shops of demo records (N = 1 by default);\n"
                  u"        the newest contract is open, paid, paid-forfeited, extended or forfeited-sold and the\n"
                  u"        first person pledger, undesirable or without-contracts (both chosen by N unless given)"_s);
    print(stderr,
          u"       mervana-admin report DIR NAME [ARGS] --pdf FILE [--today DATE] [--shop NAME]\n"
          u"  report writes the report NAME of the store in DIR as PDF and prints its page count; the current\n"
          u"        and expired views compute with DATE (d.M.yyyy or YYYY-MM-DD, today by default). Reports:"_s);
    for (const ReportCatalog::Entry& e : ReportCatalog::entries())
        print(stderr, u"          "_s + e.name + (e.arguments.isEmpty() ? QString() : u' ' + e.arguments));
    print(stderr, u"       mervana-admin search DIR TEXT\n"
                  u"  search marks the pledged goods of the store in DIR whose description holds TEXT (in upper case,\n"
                  u"        accents too), as the register's search does, and prints their contract and description\n"
                  u"       mervana-admin reindex DIR\n"
                  u"  reindex rebuilds the indexes of the contracts, persons, goods and extensions in DIR"_s);
    return Usage;
}

QDate parseDate(const QString& text)
{
    return ReportCatalog::parseDate(text);
}

bool takeOption(QStringList& args, const QString& name, QString* value)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0) return true;
    if (i + 1 >= args.size()) return false;
    *value = args.at(i + 1);
    args.remove(i, 2);
    return true;
}

bool takeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

} // namespace Admin
