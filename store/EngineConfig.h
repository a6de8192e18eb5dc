#pragma once

#include <QByteArray>
#include <QString>

// The engine's configuration: where the database name "Mervana" is defined, and the shop's name.
// A small INI file in the user's configuration folder.
namespace EngineConfig {

struct Definition
{
    QString path;
    QString driver;
};

QString filePath();
QString databaseName(); // "Mervana"

bool isDefined();
// Defines the database name with programDir + "Data" and driver SQLITE when it is missing and saves;
// an existing definition is returned unchanged, even when it points elsewhere.
Definition ensureDatabaseName(const QString& programDir);

// The folder of the daily backup: the entry BackupDir, or "Zaloha" inside dataDir when it is absent.
QString backupDir(const QString& dataDir);
// How many daily backups are kept: the entry BackupKeep, 14 when it is absent or no positive number.
int backupKeep();
// The folder a backup was last written to from the menu; empty before the first.
QString lastBackupFolder();
void setLastBackupFolder(const QString& folder);

// The frame's size and position when it was last closed (Qt's saved geometry); empty before that.
QByteArray frameGeometry();
void setFrameGeometry(const QByteArray& geometry);

// The shop's name; "Záložňa" is written there when the entry is absent, so the shop can change it.
QString shopName();

// The addresses of the program's support (SupportMail, SupportWeb); empty while the entry is absent.
QString supportMail();
QString supportWeb();

} // namespace EngineConfig
