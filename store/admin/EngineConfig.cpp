#include "store/admin/EngineConfig.h"

#include "store/engine/Errors.h"
#include "store/engine/PgConnection.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

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

bool Definition::isServer() const
{
    return driver.compare(u"POSTGRESQL"_s, Qt::CaseInsensitive) == 0;
}

QString Definition::location() const
{
    return isServer() ? serverLocation(host, port, database, user, schema, sslMode) : path;
}

// The schema goes into the server's search path and into every statement: only a plain name may.
static void checkSchema(const QString& schema)
{
    if (!schema.isEmpty() && !PgConnection::isPlainName(schema))
        throw StoreError(u"The schema %1 of the engine configuration (%2) is not a plain name: only letters, digits "
                         u"and _ are allowed, at most 63 of them"_s.arg(schema, QDir::toNativeSeparators(filePath())));
}

QString serverLocation(const QString& host, const QString& port, const QString& database, const QString& user,
                       const QString& schema, const QString& sslMode)
{
    checkSchema(schema);
    const auto part = [](const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    QString uri = u"postgresql://"_s + part(host);
    if (!port.isEmpty()) uri += u':' + part(port);
    uri += u'/' + part(database);
    QStringList parameters;
    if (!user.isEmpty()) parameters << u"user="_s + part(user);
    if (!schema.isEmpty()) parameters << u"options="_s + part(u"-csearch_path="_s + schema);
    if (!sslMode.isEmpty()) parameters << u"sslmode="_s + part(sslMode);
    if (!parameters.isEmpty()) uri += u'?' + parameters.join(u'&');
    return uri;
}

static bool defined(const QSettings& settings)
{
    return settings.contains(key(u"PATH"_s)) ||
           settings.value(key(u"TYPE"_s)).toString().compare(u"POSTGRESQL"_s, Qt::CaseInsensitive) == 0;
}

bool isDefined()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return defined(settings);
}

Definition ensureDatabaseName(const QString& programDir)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    if (!defined(settings)) {
        settings.setValue(key(u"PATH"_s), QDir(programDir).filePath(u"Data"_s));
        settings.setValue(key(u"TYPE"_s), u"SQLITE"_s);
        settings.sync();
    }
    Definition d;
    d.path = settings.value(key(u"PATH"_s)).toString();
    d.driver = settings.value(key(u"TYPE"_s)).toString();
    d.host = settings.value(key(u"HOST"_s)).toString();
    d.port = settings.value(key(u"PORT"_s)).toString();
    d.database = settings.value(key(u"DATABASE"_s)).toString();
    d.user = settings.value(key(u"USER"_s)).toString();
    d.schema = settings.value(key(u"SCHEMA"_s)).toString();
    d.sslMode = settings.value(key(u"SSLMODE"_s)).toString();
    return d;
}

void defineServer(const QString& host, const QString& port, const QString& database, const QString& user,
                  const QString& schema)
{
    checkSchema(schema);
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(key(u"TYPE"_s), u"POSTGRESQL"_s);
    settings.setValue(key(u"HOST"_s), host);
    settings.setValue(key(u"PORT"_s), port);
    settings.setValue(key(u"DATABASE"_s), database);
    settings.setValue(key(u"USER"_s), user);
    if (schema.isEmpty())
        settings.remove(key(u"SCHEMA"_s));
    else
        settings.setValue(key(u"SCHEMA"_s), schema);
    settings.sync();
}

QString backupDir(const QString& dataDir)
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    const QString dir = settings.value(key(u"BackupDir"_s)).toString();
    if (!dir.isEmpty()) return dir;
    // A store on a server has no folder of its own here: its backups go to the clerk's data folder.
    if (dataDir.startsWith(u"postgres"_s, Qt::CaseInsensitive) && dataDir.contains(u"://"_s))
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .filePath(u"mervana/Zaloha"_s);
    return QDir(dataDir).filePath(u"Zaloha"_s);
}

int backupKeep()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    bool ok = false;
    const int keep = settings.value(key(u"BackupKeep"_s)).toInt(&ok);
    return ok && keep > 0 ? keep : 14;
}

int retentionYears()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    bool ok = false;
    const int years = settings.value(key(u"RetentionYears"_s)).toInt(&ok);
    return ok && years >= 0 ? years : 10;
}

Currency newStoreCurrency()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return currencyOf(settings.value(key(u"Currency"_s)).toString()).value_or(Currency::Skk);
}

int lockMinutes()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    bool ok = false;
    const int minutes = settings.value(key(u"LockMinutes"_s)).toInt(&ok);
    return ok && minutes >= 0 ? minutes : 10;
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

QString retentionCheckedMonth()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.value(key(u"RetentionChecked"_s)).toString();
}

void setRetentionCheckedMonth(const QString& month)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(key(u"RetentionChecked"_s), month);
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
