#include "store/admin/EngineConfig.h"

#include "store/engine/Errors.h"
#include "store/engine/PgConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

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

// The entries the program knows, as they are spelled here; anything else in the database name's group is a
// mistake of whoever wrote the file.
static const QStringList KnownEntries{
    u"PATH"_s,       u"TYPE"_s,           u"HOST"_s,        u"PORT"_s,          u"DATABASE"_s,         u"USER"_s,
    u"SCHEMA"_s,     u"SSLMODE"_s,        u"ShopName"_s,    u"SupportMail"_s,   u"SupportWeb"_s,       u"BackupDir"_s,
    u"BackupKeep"_s, u"RetentionYears"_s, u"LockMinutes"_s, u"LastBackupDir"_s, u"RetentionChecked"_s, u"Currency"_s};

// The entry's key as the file spells it (group and name in any case: people write path= as well as PATH=),
// or as we spell it when the file does not have it yet, so that a write never adds a second spelling.
static QString key(const QSettings& settings, const QString& entry)
{
    const QString wanted = databaseName() + u'/' + entry;
    for (const QString& k : settings.allKeys())
        if (k.compare(wanted, Qt::CaseInsensitive) == 0) return k;
    return wanted;
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
    return settings.contains(key(settings, u"PATH"_s)) ||
           settings.value(key(settings, u"TYPE"_s)).toString().compare(u"POSTGRESQL"_s, Qt::CaseInsensitive) == 0;
}

bool isDefined()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return defined(settings);
}

// An entry of the database name the program does not know is refused, named with the file, rather than
// silently ignored (a "driver=" where TYPE was meant would quietly open another store).
static void checkEntries(const QSettings& settings)
{
    for (const QString& k : settings.allKeys()) {
        const qsizetype slash = k.indexOf(u'/');
        if (slash < 0 || k.left(slash).compare(databaseName(), Qt::CaseInsensitive) != 0) continue;
        const QString entry = k.mid(slash + 1);
        const bool known = std::any_of(KnownEntries.begin(), KnownEntries.end(),
                                       [&](const QString& e) { return e.compare(entry, Qt::CaseInsensitive) == 0; });
        if (!known)
            throw StoreError(u"Unknown entry '%1' in the engine configuration %2"_s.arg(
                entry, QDir::toNativeSeparators(filePath())));
    }
}

void checkLocation(const Definition& d)
{
    if (d.isServer() || QFileInfo(d.path).isDir()) return;
    throw StoreError(u"Cannot open database. Path not found: %1 (PATH in the engine configuration %2)"_s.arg(
        QDir::toNativeSeparators(d.path), QDir::toNativeSeparators(filePath())));
}

Definition ensureDatabaseName(const QString& programDir)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    checkEntries(settings);
    if (!defined(settings)) {
        settings.setValue(key(settings, u"PATH"_s), QDir(programDir).filePath(u"Data"_s));
        settings.setValue(key(settings, u"TYPE"_s), u"SQLITE"_s);
        settings.sync();
    }
    Definition d;
    d.path = settings.value(key(settings, u"PATH"_s)).toString();
    d.driver = settings.value(key(settings, u"TYPE"_s)).toString();
    d.host = settings.value(key(settings, u"HOST"_s)).toString();
    d.port = settings.value(key(settings, u"PORT"_s)).toString();
    d.database = settings.value(key(settings, u"DATABASE"_s)).toString();
    d.user = settings.value(key(settings, u"USER"_s)).toString();
    d.schema = settings.value(key(settings, u"SCHEMA"_s)).toString();
    d.sslMode = settings.value(key(settings, u"SSLMODE"_s)).toString();
    return d;
}

void defineServer(const QString& host, const QString& port, const QString& database, const QString& user,
                  const QString& schema)
{
    checkSchema(schema);
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(key(settings, u"TYPE"_s), u"POSTGRESQL"_s);
    settings.setValue(key(settings, u"HOST"_s), host);
    settings.setValue(key(settings, u"PORT"_s), port);
    settings.setValue(key(settings, u"DATABASE"_s), database);
    settings.setValue(key(settings, u"USER"_s), user);
    if (schema.isEmpty())
        settings.remove(key(settings, u"SCHEMA"_s));
    else
        settings.setValue(key(settings, u"SCHEMA"_s), schema);
    settings.sync();
}

QString backupDir(const QString& dataDir)
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    const QString dir = settings.value(key(settings, u"BackupDir"_s)).toString();
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
    const int keep = settings.value(key(settings, u"BackupKeep"_s)).toInt(&ok);
    return ok && keep > 0 ? keep : 14;
}

int retentionYears()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    bool ok = false;
    const int years = settings.value(key(settings, u"RetentionYears"_s)).toInt(&ok);
    return ok && years >= 0 ? years : 10;
}

Currency newStoreCurrency()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return currencyOf(settings.value(key(settings, u"Currency"_s)).toString()).value_or(Currency::Skk);
}

int lockMinutes()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    bool ok = false;
    const int minutes = settings.value(key(settings, u"LockMinutes"_s)).toInt(&ok);
    return ok && minutes >= 0 ? minutes : 10;
}

QString lastBackupFolder()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.value(key(settings, u"LastBackupDir"_s)).toString();
}

void setLastBackupFolder(const QString& folder)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(key(settings, u"LastBackupDir"_s), folder);
    settings.sync();
}

QString retentionCheckedMonth()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.value(key(settings, u"RetentionChecked"_s)).toString();
}

void setRetentionCheckedMonth(const QString& month)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(key(settings, u"RetentionChecked"_s), month);
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
    if (!settings.contains(key(settings, u"ShopName"_s))) {
        settings.setValue(key(settings, u"ShopName"_s), u"Záložňa"_s);
        settings.sync();
    }
    return settings.value(key(settings, u"ShopName"_s)).toString();
}

static QString entryText(const QString& entry)
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    return settings.value(key(settings, entry)).toString().trimmed();
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
