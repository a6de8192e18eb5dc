#include "store/Store.h"

#include "store/Errors.h"
#include "store/Row.h"
#include "store/Schema.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>
#include <algorithm>
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
    Store::addCollations(*static_cast<sqlite3* const*>(handle.data()));
}

} // namespace

void Store::addCollations(sqlite3* raw)
{
    auto* collator = new QCollator(QLocale(QLocale::Slovak, QLocale::Slovakia));
    collator->setCaseSensitivity(Qt::CaseInsensitive);
    collator->setIgnorePunctuation(false);
    sqlite3_create_collation_v2(raw, "SLOVAK", SQLITE_UTF8, collator, slovakCompare, destroyCollator);
}

namespace {

// Before SQLite's first connection in the process. Every connection here belongs to one store, used by
// the thread that made it, so SQLite need not lock on every call, nor count every allocation.
void configureEngine()
{
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true; // refused when SQLite is running already: then it keeps its defaults
    }();
    Q_UNUSED(configured);
}

// Row ids as a JSON array, for json_each: one bound text however many records.
QString rowidList(const QList<qint64>& rowids)
{
    QByteArray list = "[";
    for (const qint64 rowid : rowids)
        list += QByteArray::number(rowid) + ',';
    list.back() = ']';
    return QString::fromLatin1(list);
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
    configureEngine();
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
    m_handle = *static_cast<sqlite3* const*>(db.driver()->handle().data());
    Statement counts(m_handle, u"SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='RecordCounts'"_s);
    m_keepsCounts = counts.step() && counts.int64(0) > 0;
}

Store::~Store()
{
    m_statementCache.clear(); // finalised before the connection closes
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
    // Inside a long transaction every record written through an instance is a statement of its own, and
    // each one that fires the record count trigger keeps a statement journal: in memory, not a file write.
    q.exec(u"PRAGMA temp_store=MEMORY"_s);
}

void Store::createEmpty(const QString& dataDir)
{
    configureEngine();
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
            if (!q.exec(u"CREATE TABLE RecordCounts (name TEXT PRIMARY KEY, n INTEGER NOT NULL)"_s))
                error = q.lastError().text();
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

QSqlDatabase Store::database()
{
    if (!m_held.rowids.isEmpty()) flushUpdates();
    return QSqlDatabase::database(m_connection, false);
}

const TableDef& Store::table(const QString& file)
{
    const TableDef* def = Schema::find(file);
    if (!def) throw StoreError(u"Table does not exist: %1"_s.arg(file));
    Statement& q = statement(u"SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name=?"_s);
    q.bind({def->sqlName});
    const bool present = q.step() && q.int64(0) > 0;
    q.reset();
    if (!present) throw StoreError(u"Table does not exist: %1"_s.arg(def->file));
    return *def;
}

void Store::touch(const TableDef& def)
{
    ++m_versions.at(def.id);
    Q_EMIT tableChanged(def.sqlName);
}

void Store::touchAll()
{
    for (const TableDef& def : Schema::tables())
        touch(def);
}

Statement& Store::statement(const QString& sql, const TableDef& def)
{
    if (m_held.def == &def) flushUpdates();
    return cachedStatement(sql);
}

Statement& Store::statement(const QString& sql)
{
    if (!m_held.rowids.isEmpty()) flushUpdates();
    return cachedStatement(sql);
}

Statement& Store::cachedStatement(const QString& sql)
{
    auto it = m_statementCache.find(sql);
    if (it == m_statementCache.end()) it = m_statementCache.insert(sql, std::make_shared<Statement>(m_handle, sql));
    ++m_statements;
    return *it.value();
}

void Store::exec(const QString& sql)
{
    if (!m_held.rowids.isEmpty()) flushUpdates();
    Statement statement(m_handle, sql);
    ++m_statements;
    statement.step();
}

Statement& Store::updateStatement(const TableDef& def, quint64 fields, RowSelection rows)
{
    QStringList names;
    for (int i = 0; i < def.fields.size(); ++i)
        if (fields & (quint64(1) << i)) names << u'"' + def.fields.at(i).name + u'"';
    const QString where = rows == RowSelection::List    ? u"rowid IN (SELECT value FROM json_each(?))"_s
                          : rows == RowSelection::Range ? u"rowid BETWEEN ? AND ?"_s
                                                        : u"rowid = ?"_s;
    return cachedStatement(u"UPDATE \""_s + def.sqlName + u"\" SET "_s + names.join(u" = ?, "_s) + u" = ? WHERE "_s +
                           where);
}

void Store::update(const TableDef& def, quint64 fields, const RowValues& values, qint64 rowid)
{
    constexpr qsizetype BatchSize = 500;
    auto changedValues = [&] {
        QList<QVariant> changed;
        for (int i = 0; i < def.fields.size(); ++i)
            if (fields & (quint64(1) << i)) changed << values.at(i);
        return changed;
    };
    if (m_depth > 0) {
        // Same table, fields and values (type included, as they bind by type): one more row id.
        const auto same = [&] {
            if (m_held.def != &def || m_held.fields != fields) return false;
            qsizetype k = 0;
            for (int i = 0; i < def.fields.size(); ++i) {
                if (!(fields & (quint64(1) << i))) continue;
                const QVariant v = values.at(i);
                const QVariant& held = m_held.values.at(k++);
                if (v.typeId() != held.typeId() || v.isNull() != held.isNull() || v != held) return false;
            }
            return true;
        };
        if (!m_held.rowids.isEmpty() && !same()) flushUpdates();
        if (m_held.rowids.isEmpty()) m_held = {&def, fields, changedValues(), {}};
        m_held.rowids << rowid;
        if (m_held.rowids.size() >= BatchSize) flushUpdates();
        return;
    }
    Statement& q = updateStatement(def, fields, RowSelection::One);
    for (const QVariant& v : changedValues())
        q.addBindValue(v);
    q.addBindValue(rowid);
    q.exec();
    q.finish();
}

void Store::flushUpdates()
{
    if (m_held.rowids.isEmpty()) return;
    const HeldUpdates held = std::exchange(m_held, {});
    auto run = [&](RowSelection rows, const QList<QVariant>& where) {
        Statement& q = updateStatement(*held.def, held.fields, rows);
        for (const QVariant& v : held.values)
            q.addBindValue(v);
        for (const QVariant& v : where)
            q.addBindValue(v);
        q.exec();
        q.finish();
    };
    // Records are mostly written in the order of their numbers, so a loop along a tag updates runs
    // of neighbouring row ids: a run is one range, the scattered rest one list.
    constexpr qsizetype LongRun = 16;
    QList<qint64> ids = held.rowids;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QList<qint64> scattered;
    for (qsizetype i = 0; i < ids.size();) {
        qsizetype j = i;
        while (j + 1 < ids.size() && ids.at(j + 1) == ids.at(j) + 1)
            ++j;
        if (j - i + 1 >= LongRun)
            run(RowSelection::Range, {ids.at(i), ids.at(j)});
        else
            scattered.append(ids.mid(i, j - i + 1));
        i = j + 1;
    }
    if (scattered.size() > 1 && hasJsonEach()) {
        run(RowSelection::List, {rowidList(scattered)});
        return;
    }
    for (const qint64 rowid : std::as_const(scattered))
        run(RowSelection::One, {rowid});
}

bool Store::hasJsonEach()
{
    if (m_batchByList) {
        try {
            cachedStatement(u"SELECT value FROM json_each('[]')"_s);
        } catch (const StoreError&) {
            m_batchByList = false; // this SQLite has no json_each: row by row
        }
    }
    return m_batchByList;
}

qint64 Store::forRowids(const QString& sql, const QList<qint64>& rowids)
{
    if (rowids.isEmpty()) return 0;
    if (!m_held.rowids.isEmpty()) flushUpdates();
    qint64 changed = 0;
    if (hasJsonEach()) {
        Statement& q = cachedStatement(sql.arg(u"SELECT value, key AS ord FROM json_each(?)"_s));
        q.bind({rowidList(rowids)});
        q.exec();
        q.finish();
        return sqlite3_changes64(m_handle);
    }
    Statement& q = cachedStatement(sql.arg(u"SELECT ? AS value, 0 AS ord"_s));
    for (const qint64 rowid : rowids) {
        q.bind({rowid});
        q.exec();
        q.finish();
        changed += sqlite3_changes64(m_handle);
    }
    return changed;
}

qint64 Store::copyRecords(const TableDef& from, const TableDef& to, const QStringList& fields,
                          const QList<qint64>& rowids)
{
    QStringList target, source;
    for (const QString& f : fields) {
        target << u'"' + f + u'"';
        source << u"s.\""_s + f + u'"';
    }
    // In the order of the ids: a contract's goods keep their order among themselves.
    const qint64 copied = forRowids(u"INSERT INTO \""_s + to.sqlName + u"\" ("_s + target.join(u", "_s) +
                                        u") SELECT "_s + source.join(u", "_s) + u" FROM (%1) AS j JOIN \""_s +
                                        from.sqlName + u"\" AS s ON s.rowid = j.value ORDER BY j.ord"_s,
                                    rowids);
    if (copied > 0) touch(to);
    return copied;
}

qint64 Store::deleteRecords(const TableDef& def, const QList<qint64>& rowids)
{
    const qint64 deleted =
        forRowids(u"DELETE FROM \""_s + def.sqlName + u"\" WHERE rowid IN (SELECT value FROM (%1))"_s, rowids);
    if (deleted > 0) touch(def);
    return deleted;
}

void Store::checkpoint()
{
    if (m_depth > 0) throw StoreError(u"Cannot write the store through inside a transaction"_s);
    flushUpdates();
    for (auto& q : m_statementCache)
        q->reset(); // no statement of ours may keep reading an older state of the file
    int logFrames = 0, copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(m_handle, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logFrames, &copied);
    if (rc != SQLITE_OK) throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_handle)));
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
    try {
        flushUpdates();
    } catch (...) {
        rollback();
        throw;
    }
    if (--m_depth == 0) {
        if (m_rollbackOnly) {
            database().rollback();
            touchAll();
            throw StoreError(u"Transaction rolled back"_s);
        }
        for (auto& q : m_statementCache)
            q->reset();
        if (!database().commit()) throw StoreError(database().lastError().text());
    }
}

void Store::rollback()
{
    if (m_depth == 0) return;
    m_held = {}; // rolled back with the rest
    if (--m_depth == 0) {
        for (auto& q : m_statementCache)
            q->reset();
        database().rollback();
        // Every instance must forget what it read inside the transaction.
        touchAll();
    } else {
        m_rollbackOnly = true;
    }
}
