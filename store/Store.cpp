#include "store/Store.h"

#include "store/Errors.h"
#include "store/Schema.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>
#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Surnames and identity cards sort as a Slovak clerk reads them: "ch" after "h", "č" after "c",
// without regard to case.
int slovakCompare(void* arg, int lenA, const void* a, int lenB, const void* b)
{
    auto* collator = static_cast<QCollator*>(arg);
    const QString left = QString::fromUtf8(static_cast<const char*>(a), lenA);
    const QString right = QString::fromUtf8(static_cast<const char*>(b), lenB);
    const int c = collator->compare(left, right);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void destroyCollator(void* arg)
{
    delete static_cast<QCollator*>(arg);
}

void registerCollation(QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    auto* raw = *static_cast<sqlite3* const*>(handle.data());
    auto* collator = new QCollator(QLocale(QLocale::Slovak, QLocale::Slovakia));
    collator->setCaseSensitivity(Qt::CaseInsensitive);
    collator->setIgnorePunctuation(false);
    sqlite3_create_collation_v2(raw, "SLOVAK", SQLITE_UTF8, collator, slovakCompare, destroyCollator);
}

} // namespace

QString Store::fileName()
{
    return u"mervana.db"_s;
}

Store::Store(const QString& dataDir, QObject* parent) : QObject(parent), m_dataDir(dataDir)
{
    const QString path = QDir(dataDir).filePath(fileName());
    if (!QFileInfo::exists(path))
        throw StoreError(u"Cannot open database. Path not found: %1"_s.arg(QDir::toNativeSeparators(path)));
    m_connection = u"mervana-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    db.setDatabaseName(path);
    if (!db.open()) {
        const QString text = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw StoreError(u"Cannot open database %1: %2"_s.arg(QDir::toNativeSeparators(path), text));
    }
    configure(db);
}

Store::~Store()
{
    m_queries.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen()) {
            if (m_depth > 0) db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void Store::configure(QSqlDatabase& db)
{
    registerCollation(db);
    QSqlQuery q(db);
    // A posted record must survive a crash.
    q.exec(u"PRAGMA journal_mode=WAL"_s);
    q.exec(u"PRAGMA synchronous=FULL"_s);
    q.exec(u"PRAGMA busy_timeout=5000"_s);
}

void Store::createEmpty(const QString& dataDir)
{
    QDir dir(dataDir);
    if (!dir.exists() && !QDir().mkpath(dataDir))
        throw StoreError(u"Cannot create folder %1"_s.arg(QDir::toNativeSeparators(dataDir)));
    const QString path = dir.filePath(fileName());
    if (QFileInfo::exists(path)) throw StoreError(u"A store exists already: %1"_s.arg(QDir::toNativeSeparators(path)));
    const QString connection = u"mervana-init-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            configure(db);
            db.transaction();
            QSqlQuery q(db);
            for (const TableDef& def : Schema::tables()) {
                QStringList indexes;
                const QStringList statements = QStringList{Schema::createStatements(def, &indexes)} + indexes;
                for (const QString& sql : statements) {
                    if (!q.exec(sql)) {
                        error = q.lastError().text();
                        break;
                    }
                }
            }
            if (error.isEmpty())
                db.commit();
            else
                db.rollback();
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!error.isEmpty()) {
        QFile::remove(path);
        throw StoreError(u"Cannot create the store %1: %2"_s.arg(QDir::toNativeSeparators(path), error));
    }
}

QSqlDatabase Store::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

const TableDef& Store::table(const QString& file)
{
    const TableDef* def = Schema::find(file);
    if (!def) throw StoreError(u"Table does not exist: %1"_s.arg(file));
    QSqlQuery& q = query(u"SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name=?"_s);
    q.addBindValue(def->sqlName);
    if (!q.exec()) fail(q);
    const bool present = q.next() && q.value(0).toInt() > 0;
    q.finish();
    if (!present) throw StoreError(u"Table does not exist: %1"_s.arg(def->file));
    return *def;
}

quint64 Store::version(const TableDef& def) const
{
    return m_versions.value(def.sqlName);
}

void Store::touch(const TableDef& def)
{
    ++m_versions[def.sqlName];
    Q_EMIT tableChanged(def.sqlName);
}

void Store::touchAll()
{
    for (const TableDef& def : Schema::tables())
        touch(def);
}

QSqlQuery& Store::query(const QString& sql)
{
    auto it = m_queries.find(sql);
    if (it == m_queries.end()) {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        if (!q.prepare(sql)) fail(q);
        it = m_queries.insert(sql, q);
    }
    ++m_statements;
    return it.value();
}

void Store::exec(const QString& sql)
{
    QSqlQuery q(database());
    ++m_statements;
    if (!q.exec(sql)) fail(q);
}

void Store::fail(const QSqlQuery& q) const
{
    throw StoreError(q.lastError().text());
}

void Store::acquire(const TableDef& def, bool exclusive)
{
    const int open = m_openCount.value(def.sqlName);
    if (m_exclusive.value(def.sqlName) || (exclusive && open > 0))
        throw StoreError(u"Table is busy: %1"_s.arg(def.file));
    m_openCount[def.sqlName] = open + 1;
    if (exclusive) m_exclusive[def.sqlName] = true;
}

void Store::release(const TableDef& def, bool exclusive)
{
    m_openCount[def.sqlName] = qMax(0, m_openCount.value(def.sqlName) - 1);
    if (exclusive) m_exclusive[def.sqlName] = false;
}

void Store::begin()
{
    if (m_depth++ == 0) {
        m_rollbackOnly = false;
        if (!database().transaction()) throw StoreError(database().lastError().text());
    }
}

void Store::commit()
{
    if (m_depth == 0) return;
    if (--m_depth == 0) {
        if (m_rollbackOnly) {
            database().rollback();
            touchAll();
            throw StoreError(u"Transaction rolled back"_s);
        }
        for (auto& q : m_queries)
            q.finish();
        if (!database().commit()) throw StoreError(database().lastError().text());
    }
}

void Store::rollback()
{
    if (m_depth == 0) return;
    if (--m_depth == 0) {
        for (auto& q : m_queries)
            q.finish();
        database().rollback();
        // Every instance must forget what it read inside the transaction.
        touchAll();
    } else {
        m_rollbackOnly = true;
    }
}
