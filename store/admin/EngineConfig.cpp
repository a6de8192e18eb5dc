#include "store/admin/EngineConfig.h"

#include "store/admin/Settings.h"

#include "store/engine/Errors.h"
#include "store/engine/PgConnection.h"

#include <QDir>
#include <QFileInfo>
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

static Settings file()
{
    return Settings(filePath());
}

static bool defined(const Settings& settings)
{
    return settings.contains(settings.entry(u"PATH"_s)) ||
           settings.text(settings.entry(u"TYPE"_s)).compare(u"POSTGRESQL"_s, Qt::CaseInsensitive) == 0;
}

bool isDefined()
{
    return defined(file());
}

// An entry of the database name the program does not know is refused, named with the file, rather than
// silently ignored (a "driver=" where TYPE was meant would quietly open another store).
static void checkEntries(const Settings& settings)
{
    for (const QString& k : settings.keys()) {
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
    Settings settings = file();
    checkEntries(settings);
    if (!defined(settings)) {
        settings.set(settings.entry(u"PATH"_s), QDir(programDir).filePath(u"Data"_s));
        settings.set(settings.entry(u"TYPE"_s), u"SQLITE"_s);
    }
    const auto text = [&settings](const QString& name) { return settings.text(settings.entry(name)); };
    Definition d;
    d.path = text(u"PATH"_s);
    d.driver = text(u"TYPE"_s);
    d.host = text(u"HOST"_s);
    d.port = text(u"PORT"_s);
    d.database = text(u"DATABASE"_s);
    d.user = text(u"USER"_s);
    d.schema = text(u"SCHEMA"_s);
    d.sslMode = text(u"SSLMODE"_s);
    return d;
}

void defineServer(const QString& host, const QString& port, const QString& database, const QString& user,
                  const QString& schema)
{
    checkSchema(schema);
    Settings settings = file();
    settings.set(settings.entry(u"TYPE"_s), u"POSTGRESQL"_s);
    settings.set(settings.entry(u"HOST"_s), host);
    settings.set(settings.entry(u"PORT"_s), port);
    settings.set(settings.entry(u"DATABASE"_s), database);
    settings.set(settings.entry(u"USER"_s), user);
    if (schema.isEmpty())
        settings.remove(settings.entry(u"SCHEMA"_s));
    else
        settings.set(settings.entry(u"SCHEMA"_s), schema);
}

// One entry of the database name's group, read afresh: another program may have changed the file.
static QString entryText(const QString& name)
{
    const Settings settings = file();
    return settings.text(settings.entry(name));
}

static int entryNumber(const QString& name, int fallback, int least)
{
    const Settings settings = file();
    return settings.number(settings.entry(name), fallback, least);
}

static void setEntry(const QString& name, const QVariant& value)
{
    Settings settings = file();
    settings.set(settings.entry(name), value);
}

QString backupDir(const QString& dataDir)
{
    const QString dir = entryText(u"BackupDir"_s);
    if (!dir.isEmpty()) return dir;
    // A store on a server has no folder of its own here: its backups go to the clerk's data folder.
    if (dataDir.startsWith(u"postgres"_s, Qt::CaseInsensitive) && dataDir.contains(u"://"_s))
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .filePath(u"mervana/Zaloha"_s);
    return QDir(dataDir).filePath(u"Zaloha"_s);
}

int backupKeep()
{
    return entryNumber(u"BackupKeep"_s, 14, 1);
}

int retentionYears()
{
    return entryNumber(u"RetentionYears"_s, 10, 0);
}

Currency newStoreCurrency()
{
    return currencyOf(entryText(u"Currency"_s)).value_or(Currency::Skk);
}

int lockMinutes()
{
    return entryNumber(u"LockMinutes"_s, 10, 0);
}

QString lastBackupFolder()
{
    return entryText(u"LastBackupDir"_s);
}

void setLastBackupFolder(const QString& folder)
{
    setEntry(u"LastBackupDir"_s, folder);
}

QString retentionCheckedMonth()
{
    return entryText(u"RetentionChecked"_s);
}

void setRetentionCheckedMonth(const QString& month)
{
    setEntry(u"RetentionChecked"_s, month);
}

QByteArray frameGeometry()
{
    return file().bytes(u"Frame/Geometry"_s);
}

void setFrameGeometry(const QByteArray& geometry)
{
    file().set(u"Frame/Geometry"_s, geometry);
}

QString shopName(const QString& firstName)
{
    if (const Settings settings = file(); settings.contains(settings.entry(u"ShopName"_s)))
        return settings.text(settings.entry(u"ShopName"_s));
    setEntry(u"ShopName"_s, firstName);
    return firstName;
}

QString supportMail()
{
    return entryText(u"SupportMail"_s).trimmed();
}

QString supportWeb()
{
    return entryText(u"SupportWeb"_s).trimmed();
}

} // namespace EngineConfig
