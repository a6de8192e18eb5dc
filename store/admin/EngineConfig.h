#pragma once

#include "store/Currency.h"

#include <QByteArray>
#include <QString>

// The engine's configuration: where the database name "Mervana" is defined, and the shop's name.
// A small INI file in the user's configuration folder.
namespace EngineConfig {

// TYPE=SQLITE: the store file in the folder PATH. TYPE=POSTGRESQL: the database DATABASE on the server
// HOST (a name, an address, or the folder of its local socket) at PORT, as USER, its tables in SCHEMA
// (several shops may share one database; a plain name), over a connection protected as SSLMODE says
// (verify-full for a server reached over the network); the password only ever comes from the user's
// ~/.pgpass, never from here.
struct Definition
{
    QString path;
    QString driver; // TYPE
    QString host;
    QString port;
    QString database;
    QString user;
    QString schema;  // SCHEMA: where the store's tables lie in DATABASE; the user's search path when empty
    QString sslMode; // SSLMODE: libpq's sslmode; its default when empty

    bool isServer() const;
    // What the store opens: the folder, or postgresql://HOST:PORT/DATABASE?user=USER. Throws StoreError
    // when SCHEMA is not a plain name (letters, digits and _).
    QString location() const;
};

// The connection URI of a server store; empty parts are left to the server's defaults. Throws StoreError
// when schema is not a plain name.
QString serverLocation(const QString& host, const QString& port, const QString& database, const QString& user,
                       const QString& schema = {}, const QString& sslMode = {});

QString filePath();
QString databaseName(); // "Mervana"

bool isDefined();
// Defines the database name with programDir + "Data" and driver SQLITE when it is missing and saves;
// an existing definition is returned unchanged, even when it points elsewhere. Entries are read in any case
// (path= as PATH=); one the program does not know throws StoreError naming it and the file.
Definition ensureDatabaseName(const QString& programDir);
// Throws StoreError naming PATH and the file when the store's folder of a SQLite definition does not exist.
void checkLocation(const Definition& d);
// Defines (or redefines) the database name as a store on a PostgreSQL server; refuses a schema that is
// not a plain name, as location() does.
void defineServer(const QString& host, const QString& port, const QString& database, const QString& user,
                  const QString& schema = {});

// The folder of the daily backup: the entry BackupDir, or "Zaloha" inside dataDir when it is absent
// ("mervana/Zaloha" in the user's data folder for a store on a server).
QString backupDir(const QString& dataDir);
// How many daily backups are kept: the entry BackupKeep, 14 when it is absent or no positive number.
int backupKeep();
// How many years after a person's last contract ended their data is kept: the entry RetentionYears, 10 when it is
// absent or no number, 0 for ever.
int retentionYears();
// What a store made at the register's first start counts in: the entry Currency (EUR or SKK), SKK when it is absent
// or neither.
Currency newStoreCurrency();
// Minutes without keyboard or mouse input after which the register locks itself while a clerk is signed in: the
// entry LockMinutes, 10 when it is absent or no number, 0 for never.
int lockMinutes();
// The folder a backup was last written to from the menu; empty before the first.
QString lastBackupFolder();
void setLastBackupFolder(const QString& folder);

// The month (yyyy-MM) the register last looked for persons due for anonymising in this store; empty before the
// first. The look reads every contract, so it is made once a month, as the question is asked.
QString retentionCheckedMonth();
void setRetentionCheckedMonth(const QString& month);

// The frame's size and position when it was last closed (Qt's saved geometry); empty before that.
QByteArray frameGeometry();
void setFrameGeometry(const QByteArray& geometry);

// The shop's name; firstName is written there when the entry is absent, so the shop can change it.
QString shopName(const QString& firstName);

// The addresses of the program's support (SupportMail, SupportWeb); empty while the entry is absent.
QString supportMail();
QString supportWeb();

} // namespace EngineConfig
