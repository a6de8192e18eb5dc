#include "tools/Admin.h"

#include "core/Clerks.h"
#include "reports/ReportCatalog.h"
#include "store/Store.h"
#include "store/engine/Errors.h"
#include "store/trail/Trail.h"

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

QString location(const QString& location)
{
    return Store::isServerLocation(location) ? location : QDir::toNativeSeparators(location);
}

QDate parseDate(const QString& text)
{
    return ReportCatalog::parseDate(text);
}

int wrongArgument(const QString& what, const QString& text)
{
    return usage(u"%1: %2"_s.arg(what, text));
}

bool optionDate(const Args& a, const QString& option, QDate* date)
{
    *date = QDate();
    if (!a.has(option)) return true;
    *date = parseDate(a.value(option));
    if (date->isValid()) return true;
    wrongArgument(u"not a valid date"_s, a.value(option));
    return false;
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
    // The wait after wrong passwords holds here as in the register, before any password is read.
    if (const auto wait = Clerks::signInWait(store, owner); wait.count() > 0) return fail(Clerks::waitText(wait));
    const QString password = readPassword(u"Password of %1: "_s.arg(owner));
    if (!Clerks::signIn(store, owner, password, note, true))
        return fail(u"%1 is no active owner, or the password is wrong"_s.arg(owner));
    Trail::setDefaultClerk(owner);
    return Ok;
}

} // namespace Admin
