#include "tools/Admin.h"

#include "core/Clerks.h"
#include "reports/ReportCatalog.h"
#include "store/Errors.h"
#include "store/Store.h"
#include "store/Trail.h"

#include <QDate>
#include <QDir>
#include <cstdio>
#include <sodium.h>
#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

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
    print(stderr,
          u"usage: mervana-admin init DIR\n"
          u"       mervana-admin demo DIR [--scale N] [--newest STATE] [--first PERSON]\n"
          u"       mervana-admin import-dbf SRC_DIR DATA_DIR [--codepage 852|1250|895] [--replace]\n"
          u"       mervana-admin export-dbf DATA_DIR DEST_DIR [--codepage 852|1250]\n"
          u"       mervana-admin backup DATA_DIR DEST_DIR\n"
          u"       mervana-admin restore BACKUP_FILE DATA_DIR [--as OWNER]\n"
          u"       mervana-admin report DIR NAME [ARGS] --pdf FILE [--today DATE] [--shop NAME]\n"
          u"  init        creates the empty store of a fresh installation in DIR\n"
          u"  demo        fills the empty store in DIR with N small shops of demo records (N = 1 by default);\n"
          u"              the newest contract is open, paid, paid-forfeited, extended or forfeited-sold and the\n"
          u"              first person pledger, undesirable or without-contracts (both chosen by N unless given)\n"
          u"  import-dbf  reads the eight tables from old FoxPro/dBase files into the store, in one go;\n"
          u"              --codepage for files that name none, --replace to empty a store holding records\n"
          u"  export-dbf  writes the eight tables as FoxPro 2.x files (code page 852 by default)\n"
          u"  backup      writes a checked copy of the store as mervana-YYYY-MM-DD-HHMMSS.db, also while\n"
          u"              the register runs\n"
          u"  restore     puts a backup in place of the store once the register is closed; the replaced\n"
          u"              store stays beside it (the newest BackupKeep of them are kept)\n"
          u"  report      writes the report NAME of the store in DIR as PDF and prints its page count (0 when\n"
          u"              there is nothing to print); the current and expired views and the profile's due\n"
          u"              contracts compute with DATE (today by default). Dates are d.M.yyyy or YYYY-MM-DD;\n"
          u"              income refills the work table Prijvyd.dbf, the others change no more than the WRK\n"
          u"              marks. Reports:"_s);
    for (const ReportCatalog::Entry& e : ReportCatalog::entries())
        print(stderr, u"                "_s + e.name + (e.arguments.isEmpty() ? QString() : u' ' + e.arguments));
    print(stderr, u"       mervana-admin archive DIR --from DATE --to DATE [--as OWNER]\n"
                  u"       mervana-admin dearchive DIR [--as OWNER]\n"
                  u"       mervana-admin stats DIR\n"
                  u"  archive     moves the contracts signed from DATE to DATE (both included) that are finished,\n"
                  u"              with their goods and extensions, into the archive tables\n"
                  u"  dearchive   moves the whole archive back into the register\n"
                  u"  stats       prints the money in circulation, the pledge value and the record counts"_s);
    print(stderr, u"       mervana-admin search DIR TEXT\n"
                  u"       mervana-admin reindex DIR [--as OWNER]\n"
                  u"  search      marks the pledged goods of the store in DIR whose description holds TEXT (in upper\n"
                  u"              case, accents too), as the register's search does, and prints their contract\n"
                  u"              and description\n"
                  u"  reindex     rebuilds the indexes of the contracts, persons, goods and extensions in DIR"_s);
    print(stderr, u"       mervana-admin copy SRC DEST\n"
                  u"  copy        copies every record of the store SRC into DEST (created when it is missing, and\n"
                  u"              refused when it holds records), all or nothing, and compares the counts; the\n"
                  u"              clerks, the trail of changes and the person keys go with them"_s);
    print(stderr,
          u"       mervana-admin audit-verify DIR\n"
          u"       mervana-admin audit DIR [--from DATE] [--to DATE] [--contract NUMBER] [--person BIRTHNUM]\n"
          u"                               [--clerk NAME] [--pdf FILE]\n"
          u"  audit-verify checks the chain of the trail of changes from its first row: \"intact: N\", the last\n"
          u"              SEQ and HASH (note them: removing the newest rows shows only against them); exit 1\n"
          u"              naming the first row whose content or link does not match\n"
          u"  audit       prints the trail's rows that match, one line per changed field, tab-separated:\n"
          u"              moment, clerk, counter, action, table, key, field, old, new (a row without fields:\n"
          u"              the last three empty); tabs, line breaks and \\ in values as \\t, \\n, \\\\;\n"
          u"              a value whose person key was deleted reads (vymazané); with --pdf the same rows as\n"
          u"              the report \"Zmeny záznamov\" in FILE instead, and its page count\n"
          u"Wherever a command takes a DIR, DATA_DIR, SRC or DEST it also takes a store on a PostgreSQL server:\n"
          u"postgresql://HOST:PORT/DATABASE?user=USER (HOST may be the folder of the server's socket, written\n"
          u"with %2F for each /; the password only from ~/.pgpass)"_s);
    print(stderr,
          u"       mervana-admin clerk add DIR NAME [--owner] [--as OWNER]\n"
          u"       mervana-admin clerk list DIR\n"
          u"       mervana-admin clerk password DIR NAME [--as OWNER]\n"
          u"       mervana-admin clerk disable DIR NAME [--as OWNER]\n"
          u"  clerk       manages who signs in to the register: adds a clerk (an owner with --owner; the first one\n"
          u"              must be), lists them with role and state, changes a password, disables a clerk (a clerk\n"
          u"              is never deleted: the trail of changes names them). A new password is typed twice at the\n"
          u"              terminal without echo, or read as one line of standard input\n"
          u"       mervana-admin person-data DIR BIRTHNUM [--pdf FILE] [--as OWNER]\n"
          u"       mervana-admin retention DIR [--dry-run] [--today DATE] [--as OWNER]\n"
          u"  person-data prints everything the store holds about the person (record, contracts live and archived\n"
          u"              with goods and extensions, trail rows) as text, or as PDF in FILE and its page count;\n"
          u"              the trail records it; exit 1 when the store holds nothing about that birth number\n"
          u"  retention   lists who is due for anonymising (RetentionYears after their last contract ended;\n"
          u"              birth number, name, latest date) and anonymises them; --dry-run only lists them, with\n"
          u"              the undesirable persons and those without contracts apart\n"
          u"Once the store has an active clerk, archive, dearchive, restore, reindex, person-data, retention and\n"
          u"clerk add|password|disable\n"
          u"need --as OWNER naming an owner, whose password is read the same way (before a new clerk's password);\n"
          u"the trail of changes names the owner, and a refusal is recorded there too"_s);
    print(stderr, u"exit status: 0 done, 1 failed, 2 wrong command line or unreadable input (nothing changed)"_s);
    return Usage;
}

QString location(const QString& location)
{
    return Store::isServerLocation(location) ? location : QDir::toNativeSeparators(location);
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

namespace {

bool fromTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(STDIN_FILENO) == 1;
#else
    return false;
#endif
}

// One line of standard input, without its end; echo off while it is typed at a terminal.
QString readLine(const QString& prompt)
{
    const bool terminal = fromTerminal();
#ifdef Q_OS_UNIX
    termios old{};
    const bool quiet = terminal && tcgetattr(STDIN_FILENO, &old) == 0;
    if (terminal) std::fputs(qUtf8Printable(prompt), stderr);
    if (quiet) {
        termios noEcho = old;
        noEcho.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &noEcho);
    }
#endif
    QByteArray line;
    for (int c = std::getc(stdin); c != EOF && c != '\n'; c = std::getc(stdin))
        line.append(char(c));
#ifdef Q_OS_UNIX
    if (quiet) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
        std::fputc('\n', stderr); // the Enter typed was not echoed either
    }
#endif
    if (line.endsWith('\r')) line.chop(1);
    QString text = QString::fromUtf8(line);
    sodium_memzero(line.data(), size_t(line.size()));
    return text;
}

} // namespace

QString readPassword(const QString& prompt, bool confirm)
{
    QString password = readLine(prompt);
    if (confirm && fromTerminal() && readLine(u"Again: "_s) != password)
        throw InputError(u"the two passwords differ"_s);
    return password;
}

int signInOwner(const QString& location, const QString& owner, const QString& command)
{
    Store store(location);
    return signInOwner(store, owner, command);
}

int signInOwner(Store& store, const QString& owner, const QString& command)
{
    if (!Clerks::anyActive(store)) return Ok; // a shop without clerks: everybody does everything
    const QString note = u"mervana-admin "_s + command;
    if (owner.isEmpty()) {
        Clerks::refuse(store, {}, note);
        return fail(u"the store has clerks: %1 needs --as NAME, naming an owner"_s.arg(command));
    }
    const QString password = readPassword(u"Password of %1: "_s.arg(owner));
    if (!Clerks::signIn(store, owner, password, note, true))
        return fail(u"%1 is no active owner, or the password is wrong"_s.arg(owner));
    Trail::setDefaultClerk(owner);
    return Ok;
}

} // namespace Admin
