#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdio>

class QDate;
class Store;

// What every command of mervana-admin shares: its messages and exit statuses.
namespace Admin {

constexpr int Ok = 0;
constexpr int Failure = 1; // the command ran and failed (a store error)
constexpr int Usage = 2;   // the command line or its input was wrong

void print(FILE* stream, const QString& text);
void out(const QString& text); // one line to standard output
// "mervana-admin: " + problem on standard error; returns the status given.
int fail(const QString& problem, int status = Failure);
// The problem and the usage of the command running (the command list before one is known) on standard error.
int usage(const QString& problem = {});

// A store's location as the commands name it: a folder in the system's form, a server's URI as given.
QString location(const QString& location);

// A date on the command line: d.M.yyyy or YYYY-MM-DD; invalid when it is neither.
QDate parseDate(const QString& text);

// A command's line once parsed: its arguments in order (their count already checked against its help text) and
// the options given, by name without dashes ("" for a flag).
struct Args
{
    QStringList args;
    QHash<QString, QString> options;

    bool has(const QString& option) const { return options.contains(option); }
    QString value(const QString& option) const { return options.value(option); }
};

// A usage error about the argument or option text: names it, prints the running command's usage, returns Usage.
int wrongArgument(const QString& what, const QString& text);
// The option's date (d.M.yyyy or YYYY-MM-DD) in *date; false after a usage error naming it. Absent: invalid date.
bool optionDate(const Args& a, const QString& option, QDate* date);

// A password: typed at the terminal without echo (twice when confirm: throws InputError when the two differ), or
// one line of standard input when that is no terminal; empty when there is none.
QString readPassword(const QString& prompt, bool confirm = false);

// An owner's command (archive, restore, managing clerks ...) on the store at location. While the store has an
// active clerk, owner (the option --as) must name an active owner, whose password is read: refused otherwise,
// with its row sign-in-failed. Once signed in, every store the command opens names the owner in its rows.
// Returns Ok, or the status the command ends with.
int signInOwner(const QString& location, const QString& owner, const QString& command);
int signInOwner(Store& store, const QString& owner, const QString& command);

} // namespace Admin

// The commands, one per file, each taking its parsed line; tools/Commands.cpp lists them with their help.
int adminInit(const Admin::Args& a);
int adminDemo(const Admin::Args& a);
int adminReport(const Admin::Args& a);
int adminImportDbf(const Admin::Args& a);
int adminExportDbf(const Admin::Args& a);
int adminBackup(const Admin::Args& a);
int adminRestore(const Admin::Args& a);
int adminArchive(const Admin::Args& a);
int adminDearchive(const Admin::Args& a);
int adminStats(const Admin::Args& a);
int adminSearch(const Admin::Args& a);
int adminReindex(const Admin::Args& a);
int adminCopy(const Admin::Args& a);
int adminAuditVerify(const Admin::Args& a);
int adminAuditSeal(const Admin::Args& a);
int adminAuditRestart(const Admin::Args& a);
int adminAudit(const Admin::Args& a);
int adminClerk(const Admin::Args& a);
int adminPersonData(const Admin::Args& a);
int adminRetention(const Admin::Args& a);
int adminConvertEuro(const Admin::Args& a);
