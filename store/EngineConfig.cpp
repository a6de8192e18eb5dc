#include "store/EngineConfig.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace EngineConfig {

QString filePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(u"mervana/engine.ini"_s);
}

QString databaseName()
{
    return u"Mervana"_s;
}

static QString key(const QString& entry)
{
    return databaseName() + u'/' + entry;
}

bool isDefined()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.contains(key(u"PATH"_s));
}

Definition ensureDatabaseName(const QString& programDir)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    if (!settings.contains(key(u"PATH"_s))) {
        settings.setValue(key(u"PATH"_s), QDir(programDir).filePath(u"Data"_s));
        settings.setValue(key(u"TYPE"_s), u"SQLITE"_s);
        settings.sync();
    }
    return {settings.value(key(u"PATH"_s)).toString(), settings.value(key(u"TYPE"_s)).toString()};
}

QString backupDir(const QString& dataDir)
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    const QString dir = settings.value(key(u"BackupDir"_s)).toString();
    return dir.isEmpty() ? QDir(dataDir).filePath(u"Zaloha"_s) : dir;
}

int backupKeep()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    bool ok = false;
    const int keep = settings.value(key(u"BackupKeep"_s)).toInt(&ok);
    return ok && keep > 0 ? keep : 14;
}

QString lastBackupFolder()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.value(key(u"LastBackupDir"_s)).toString();
}

void setLastBackupFolder(const QString& folder)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(key(u"LastBackupDir"_s), folder);
    settings.sync();
}

QByteArray frameGeometry()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.value(u"Frame/Geometry"_s).toByteArray();
}

void setFrameGeometry(const QByteArray& geometry)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(u"Frame/Geometry"_s, geometry);
    settings.sync();
}

QString shopName()
{
    QSettings settings(filePath(), QSettings::IniFormat);
    if (!settings.contains(key(u"ShopName"_s))) {
        settings.setValue(key(u"ShopName"_s), u"Záložňa"_s);
        settings.sync();
    }
    return settings.value(key(u"ShopName"_s)).toString();
}

static QString entryText(const QString& entry)
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.value(key(entry)).toString().trimmed();
}

QString supportMail()
{
    return entryText(u"SupportMail"_s);
}

QString supportWeb()
{
    return entryText(u"SupportWeb"_s);
}

} // namespace EngineConfig
