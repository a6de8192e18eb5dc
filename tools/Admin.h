#pragma once

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
int usage(const QString& problem = {});

// A store's location as the commands name it: a folder in the system's form, a server's URI as given.
QString location(const QString& location);

// A date on the command line: d.M.yyyy or YYYY-MM-DD; invalid when it is neither.
QDate parseDate(const QString& text);

// Takes "--name VALUE" out of args; false when the option is there without a value.
bool takeOption(QStringList& args, const QString& name, QString* value);
bool takeFlag(QStringList& args, const QString& name);

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

// The commands, one per file, each taking the arguments after its name.
int adminInit(QStringList args);
int adminDemo(QStringList args);
int adminReport(QStringList args);
int adminImportDbf(QStringList args);
int adminExportDbf(QStringList args);
int adminBackup(QStringList args);
int adminRestore(QStringList args);
int adminArchive(QStringList args);
int adminDearchive(QStringList args);
int adminStats(QStringList args);
int adminSearch(QStringList args);
int adminReindex(QStringList args);
int adminCopy(QStringList args);
int adminAuditVerify(QStringList args);
int adminAudit(QStringList args);
int adminClerk(QStringList args);
int adminPersonData(QStringList args);
int adminRetention(QStringList args);
