#include "store/engine/SqliteConnection.h"

#include "store/engine/Errors.h"
#include "store/engine/FileModes.h"
#include "store/engine/Row.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <optional>
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

sqlite3* rawHandle(const QSqlDatabase& db)
{
    return *static_cast<sqlite3* const*>(db.driver()->handle().data());
}

// The first column of the first row of a pragma, or nullopt with the engine's message in error.
std::optional<QString> pragma(sqlite3* db, const char* sql, QString& error)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    QString value;
    if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW)
        value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) return value;
    error = QString::fromUtf8(sqlite3_errmsg(db));
    return std::nullopt;
}

// Sets the connection up; returns why the store cannot be used so, or an empty text.
QString configure(QSqlDatabase& db)
{
    sqlite3* raw = rawHandle(db);
    SqliteConnection::addCollations(raw);
    QString error;
    if (!pragma(raw, "PRAGMA busy_timeout=5000", error)) return error;
    // A posted record must survive a crash. A store that cannot keep its journal so (a file system without
    // shared memory, a journal file it cannot make) is refused rather than used without it: SQLite would
    // quietly keep its old journal mode.
    const std::optional<QString> mode = pragma(raw, "PRAGMA journal_mode=WAL", error);
    if (!mode || mode->compare(u"wal"_s, Qt::CaseInsensitive) != 0)
        return u"its journal cannot be kept in WAL mode here (%1); without it a crash could lose posted records"_s.arg(
            mode ? u"journal_mode stays "_s + *mode : error);
    const std::optional<QString> sync =
        pragma(raw, "PRAGMA synchronous=FULL", error) ? pragma(raw, "PRAGMA synchronous", error) : std::nullopt;
    if (sync != u"2"_s) // FULL
        return u"it cannot write with synchronous=FULL (%1); without it a crash could lose posted records"_s.arg(
            sync ? u"synchronous stays "_s + *sync : error);
    // Inside a long transaction every record written through an instance is a statement of its own, and
    // each one that fires the record count trigger keeps a statement journal: in memory, not a file write.
    if (!pragma(raw, "PRAGMA temp_store=MEMORY", error)) return error;
    // Erased values (a person anonymised, a person key deleted) are overwritten in the file, not left in its
    // free space, whatever this SQLite was built with.
    const std::optional<QString> secure = pragma(raw, "PRAGMA secure_delete=ON", error);
    if (secure != u"1"_s)
        return u"it cannot overwrite what is deleted (%1); erased personal data would stay in the file"_s.arg(
            secure ? u"secure_delete stays "_s + *secure : error);
    return {};
}

class SqliteStatement : public Statement
{
public:
    SqliteStatement(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) !=
            SQLITE_OK)
            fail();
    }
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    using Statement::bind;
    void bind(int index, const QVariant& v) override
    {
        int rc = SQLITE_OK;
        switch (RowValues::kindOf(v)) {
        case RowValues::Kind::Null:
            rc = sqlite3_bind_null(m_stmt, index);
            break;
        case RowValues::Kind::Integer:
            rc = sqlite3_bind_int64(m_stmt, index, v.toLongLong());
            break;
        case RowValues::Kind::Real:
            rc = sqlite3_bind_double(m_stmt, index, v.toDouble());
            break;
        case RowValues::Kind::Text: {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        }
        if (rc != SQLITE_OK) fail();
    }

    bool step() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        const QString text = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_reset(m_stmt);
        throw StoreError(text);
    }

    QVariant value(int column) const override
    {
        // One call reaches the column; the value accessors after it need no lock of their own.
        sqlite3_value* v = sqlite3_column_value(m_stmt, column);
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_value_int64(v)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_value_double(v));
        case SQLITE_NULL:
            return {};
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
            const int size = sqlite3_value_bytes(v);
            // Numbers and dates are plain ASCII: skip the UTF-8 decoder for them.
            bool ascii = true;
            for (int i = 0; i < size && ascii; ++i)
                ascii = static_cast<unsigned char>(text[i]) < 0x80;
            return QVariant(ascii ? QString::fromLatin1(text, size) : QString::fromUtf8(text, size));
        }
        }
    }

    qint64 int64(int column) const override { return sqlite3_column_int64(m_stmt, column); }

    void readValues(int firstColumn, int fieldCount, quint64 mask, RowValues& out) const override
    {
        out.read(m_stmt, firstColumn, fieldCount, mask);
    }

    qint64 lastInsertId() const override { return sqlite3_last_insert_rowid(m_db); }
    qint64 changes() const override { return sqlite3_changes64(m_db); }

protected:
    void clear() override
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    [[noreturn]] void fail() const { throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_db))); }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace

void SqliteConnection::addCollations(sqlite3* raw)
{
    auto* collator = new QCollator(QLocale(QLocale::Slovak, QLocale::Slovakia));
    collator->setCaseSensitivity(Qt::CaseInsensitive);
    collator->setIgnorePunctuation(false);
    sqlite3_create_collation_v2(raw, "SLOVAK", SQLITE_UTF8, collator, slovakCompare, destroyCollator);
}

SqliteConnection::SqliteConnection(const QString& path, bool inDataFolder)
{
    if (!QFileInfo::exists(path))
        throw StoreError(u"Cannot open database. Path not found: %1"_s.arg(QDir::toNativeSeparators(path)));
    // Before SQLite opens it: the journal files it makes take the store file's mode.
    FileModes::restrictStore(path, inDataFolder);
    configureEngine();
    m_name = u"mervana-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        db.setDatabaseName(path);
        if (!db.open()) {
            error = db.lastError().text();
        } else if (error = configure(db); !error.isEmpty()) {
            db.close();
        } else {
            m_handle = rawHandle(db);
        }
    }
    if (!error.isEmpty()) {
        QSqlDatabase::removeDatabase(m_name);
        throw StoreError(u"Cannot open database %1: %2"_s.arg(QDir::toNativeSeparators(path), error));
    }
}

SqliteConnection::~SqliteConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen()) {
            if (!sqlite3_get_autocommit(m_handle)) db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_name);
}

void SqliteConnection::createStore(const QString& path, int version)
{
    configureEngine();
    if (QFileInfo::exists(path)) throw StoreError(u"A store exists already: %1"_s.arg(QDir::toNativeSeparators(path)));
    const QString connection = u"mervana-init-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            error = db.lastError().text();
        } else if (error = configure(db); error.isEmpty()) {
            db.transaction();
            QSqlQuery q(db);
            for (const QString& sql : Schema::createStoreSql(Engine::Sqlite, version)) {
                if (!q.exec(sql)) {
                    error = q.lastError().text();
                    break;
                }
            }
            if (error.isEmpty())
                db.commit();
            else
                db.rollback();
            q = QSqlQuery();
            db.close();
        } else {
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!error.isEmpty()) {
        QFile::remove(path);
        throw StoreError(u"Cannot create the store %1: %2"_s.arg(QDir::toNativeSeparators(path), error));
    }
}

QSqlDatabase SqliteConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

std::unique_ptr<Statement> SqliteConnection::prepare(const QString& sql)
{
    return std::make_unique<SqliteStatement>(m_handle, sql);
}

void SqliteConnection::exec(const QString& sql)
{
    SqliteStatement statement(m_handle, sql);
    statement.step();
}

void SqliteConnection::begin()
{
    QSqlDatabase db = database();
    if (!db.transaction()) throw StoreError(db.lastError().text());
}

void SqliteConnection::beginWrite()
{
    // Qt's driver begins deferred; its commit and rollback end this one as well.
    exec(u"BEGIN IMMEDIATE"_s);
}

void SqliteConnection::commit()
{
    QSqlDatabase db = database();
    if (!db.commit()) throw StoreError(db.lastError().text());
}

void SqliteConnection::rollback()
{
    database().rollback();
}

bool SqliteConnection::hasTable(const QString& sqlName)
{
    SqliteStatement q(m_handle, u"SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name=?"_s);
    q.bind({sqlName});
    return q.step() && q.int64(0) > 0;
}

bool SqliteConnection::hasColumn(const QString& sqlName, const QString& column)
{
    SqliteStatement q(m_handle, u"SELECT COUNT(*) FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE"_s);
    q.bind({sqlName, column});
    return q.step() && q.int64(0) > 0;
}

QString SqliteConnection::tableForWriting(const TableDef& def) const
{
    return u'"' + def.sqlName + u'"';
}

QString SqliteConnection::insertSql(const TableDef& def, const QStringList& columns) const
{
    QString sql = u"INSERT INTO "_s + tableForWriting(def);
    if (columns.isEmpty()) return sql + u" DEFAULT VALUES"_s;
    return sql + u" ("_s + columns.join(u", "_s) + u") VALUES ("_s + QStringList(columns.size(), u"?"_s).join(u", "_s) +
           u')';
}

QString SqliteConnection::rowIdList()
{
    if (m_hasJsonEach < 0) {
        try {
            SqliteStatement probe(m_handle, u"SELECT value FROM json_each('[]')"_s);
            m_hasJsonEach = 1;
        } catch (const StoreError&) {
            m_hasJsonEach = 0; // this SQLite has no json_each: row by row
        }
    }
    return m_hasJsonEach ? u"SELECT value FROM json_each(?)"_s : QString();
}

QString SqliteConnection::rowIdTable()
{
    return rowIdList().isEmpty() ? QString() : u"SELECT value, key AS ord FROM json_each(?)"_s;
}

void SqliteConnection::checkpoint()
{
    int logFrames = 0, copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(m_handle, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logFrames, &copied);
    if (rc != SQLITE_OK) throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_handle)));
}

QVariant SqliteConnection::rowIdListValue(const QList<qint64>& rowids) const
{
    return joinRowIds(rowids, '[', ']');
}

QString SqliteConnection::recordCountSql(const TableDef& def)
{
    if (m_keepsCounts < 0) m_keepsCounts = hasTable(u"RecordCounts"_s) ? 1 : 0;
    if (!m_keepsCounts) return {};
    return u"SELECT n FROM RecordCounts WHERE name = '"_s + def.sqlName + u'\'';
}

QString SqliteConnection::reindexSql(const TableDef& def, const TagDef& tag) const
{
    return u"REINDEX \"%1_%2\""_s.arg(def.sqlName, tag.name);
}
