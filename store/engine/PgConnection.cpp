#include "store/engine/PgConnection.h"

#include "store/engine/Errors.h"
#include "store/engine/PgSql.h"
#include "store/engine/Row.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"

#include <QDeadlineTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <libpq-fe.h>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

// The advisory lock of the store in the session's schema (two keys: ours, the schema's oid). Every session of
// the register holds it shared while it lasts; a restore takes it alone for its replacing transaction, so that
// it neither replaces records a counter works on nor lets one open the store halfway through. Sessions of other stores
// in the same database hold locks of their own schemas and do not count.
#define STORE_LOCK_KEY "1835365230"
#define STORE_SCHEMA "(SELECT oid FROM pg_namespace WHERE nspname = current_schema())"
#define STORE_LOCK STORE_LOCK_KEY ", " STORE_SCHEMA "::int"

void PgResultFree::operator()(pg_result* result) const
{
    PQclear(result);
}

namespace {

// Type identifiers of the server's built-in types (pg_type.oid), as results name their columns' types.
constexpr Oid BoolType = 16, Int8Type = 20, Int2Type = 21, Int4Type = 23, OidType = 26, Float4Type = 700,
              Float8Type = 701, NumericType = 1700;

// The register's names on the server: lower case, as unquoted names fold.
QString lower(const QString& name)
{
    return name.toLower();
}

QString quoted(const QString& name)
{
    return Schema::serverName(name);
}

bool hasMark(const TableDef& def)
{
    return def.markField() >= 0;
}

// The work mark's column, quoted as the server names it; also the column of the session's table of marks.
QString markColumn(const TableDef& def)
{
    return quoted(def.fields.at(def.markField()).name);
}

// What the counters' role may do in a store that another role owns: everything the register does, and of the
// trail only add and read rows.
QString countersSql(const QString& schema, const QString& role)
{
    const QString r = quoted(role), in = quoted(schema);
    QStringList shared{u"recordcounts"_s, u"countflush"_s, u"pokladnici"_s, u"kluce"_s, u"tajomstvo"_s, u"pecat"_s};
    for (const TableDef& def : Schema::tables())
        shared << quoted(def.sqlName);
    QString sql = u"GRANT USAGE ON SCHEMA %1 TO %2;\n"_s.arg(in, r);
    for (const QString& table : std::as_const(shared))
        sql += u"GRANT SELECT, INSERT, UPDATE, DELETE ON %1.%2 TO %3;\n"_s.arg(in, table, r);
    sql += u"GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA %1 TO %2;\n"_s.arg(in, r);
    sql += u"GRANT SELECT, INSERT ON %1.zmeny TO %2;\n"_s.arg(in, r);
    // The store's currency is read by every counter and changed only by the owner's conversion.
    sql += u"GRANT SELECT ON %1.nastavenia TO %2;\n"_s.arg(in, r);
    // The schema's version is read at open and set only by the owner's upgrade.
    sql += u"GRANT SELECT ON %1.storeversion TO %2;\n"_s.arg(in, r);
    return sql;
}

// Marks written into the session's marks table of def, from rows, a source of row ids and marks. A mark
// that stays as it was writes nothing, so that it leaves no dead row behind there (see tidyMarks).
QString markUpsert(const TableDef& def, const QString& rows)
{
    const QString mark = markColumn(def);
    return u"INSERT INTO pg_temp.\"%1_marks\" AS m (rowid, %2) "_s.arg(lower(def.sqlName), mark) + rows +
           u" ON CONFLICT (rowid) DO UPDATE SET %1 = EXCLUDED.%1 WHERE m.%1 IS DISTINCT FROM EXCLUDED.%1"_s.arg(mark);
}

// What each session makes for itself when it connects (see the class comment).
QString sessionSql(const QString& schema)
{
    // Temporary tables live in the session's own memory up to this size; a marking pass over a big
    // register stays there.
    QString sql = u"SET temp_buffers = '64MB';\nSET client_min_messages = warning;\n"_s;
    for (const TableDef& def : Schema::tables()) {
        const QString name = lower(def.sqlName);
        const QString shared = quoted(schema) + u'.' + quoted(def.sqlName);
        if (def.ofCounter) {
            sql += u"CREATE TEMP TABLE %1 (%2);\n"_s.arg(quoted(def.sqlName), Schema::serverColumns(def));
            for (const TagDef& tag : def.tags)
                sql += Schema::serverKeyIndex(def, tag).replace(u" ON "_s, u" ON pg_temp."_s) + u";\n"_s;
            continue;
        }
        if (!hasMark(def)) continue;
        const QString marks = u"pg_temp.\"%1_marks\""_s.arg(name), mark = markColumn(def);
        QStringList fields, newFields, oldFields, sets;
        QStringList viewColumns{u"t.rowid"_s};
        for (const FieldDef& f : def.fields) {
            const QString column = quoted(f.name);
            if (f.mark) {
                viewColumns << u"CASE WHEN m.rowid IS NULL THEN t.%1 ELSE m.%1 END AS %1"_s.arg(mark);
            } else {
                viewColumns << u"t."_s + column;
                oldFields << u"OLD."_s + column;
                sets << column + u" = NEW."_s + column;
            }
            fields << column;
            newFields << u"NEW."_s + column;
        }
        sql += u"CREATE TEMP TABLE \"%1_marks\" (rowid bigint PRIMARY KEY, %2 integer);\n"_s.arg(name, mark);
        sql += u"CREATE TEMP VIEW %1 AS SELECT %2 FROM %3 t LEFT JOIN %4 m ON m.rowid = t.rowid;\n"_s.arg(
            quoted(def.sqlName), viewColumns.join(u", "_s), shared, marks);
        QStringList changedFields;
        for (const QString& f : std::as_const(oldFields))
            changedFields << QString(f).replace(u"OLD."_s, u"NEW."_s);
        sql += uR"(CREATE FUNCTION pg_temp."%1_write"() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    IF TG_OP = 'DELETE' THEN
        DELETE FROM %2 WHERE rowid = OLD.rowid;
        IF NOT FOUND THEN
            RETURN NULL;
        END IF;
        RETURN OLD;
    END IF;
    IF TG_OP = 'INSERT' THEN
        IF NEW.rowid IS NULL THEN
            INSERT INTO %2 (%3) VALUES (%4) RETURNING rowid INTO NEW.rowid;
        ELSE
            INSERT INTO %2 (rowid, %3) VALUES (NEW.rowid, %4);
        END IF;
        RETURN NEW;
    END IF;
    IF NEW.rowid <> OLD.rowid OR (%5) IS DISTINCT FROM (%6) THEN
        UPDATE %2 SET rowid = NEW.rowid, %7 WHERE rowid = OLD.rowid;
        IF NOT FOUND THEN
            RETURN NULL;
        END IF;
    END IF;
    IF NEW.%9 IS DISTINCT FROM OLD.%9 THEN
        INSERT INTO %8 (rowid, %9) VALUES (NEW.rowid, NEW.%9) ON CONFLICT (rowid) DO UPDATE SET %9 = EXCLUDED.%9;
    END IF;
    RETURN NEW;
END $f$;
)"_s.arg(name, shared, fields.join(u", "_s), newFields.join(u", "_s), changedFields.join(u", "_s),
         oldFields.join(u", "_s), sets.join(u", "_s), marks, mark);
        sql += u"CREATE TRIGGER \"%1_write\" INSTEAD OF INSERT OR UPDATE OR DELETE ON pg_temp.%2 FOR EACH ROW "
               u"EXECUTE FUNCTION pg_temp.\"%1_write\"();\n"_s.arg(name, quoted(def.sqlName));
    }
    sql += u"LISTEN mervana;\n"_s;
    return sql;
}

// Where a location carries a secret: the password of user:password@ in a URI and the value of each
// password= entry, as (start, length). Found by their form alone, so also in a location that libpq cannot
// read.
QList<std::pair<qsizetype, qsizetype>> secretSpans(const QString& location)
{
    QList<std::pair<qsizetype, qsizetype>> spans;
    const qsizetype scheme = location.indexOf(u"://"_s);
    if (scheme >= 0) {
        const qsizetype from = scheme + 3;
        static const QRegularExpression pathOrQuery(u"[/?]"_s);
        const qsizetype authorityEnd = location.indexOf(pathOrQuery, from);
        const qsizetype at = location.lastIndexOf(u'@', authorityEnd < 0 ? -1 : authorityEnd);
        const qsizetype colon = location.indexOf(u':', from);
        if (at >= from && colon >= 0 && colon < at) spans.append({colon + 1, at - colon - 1});
    }
    static const QRegularExpression entry(uR"(password\s*=\s*('(?:[^'\\]|\\.)*'?|[^\s&]*))"_s,
                                          QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : entry.globalMatch(location))
        if (m.capturedLength(1) > 0) spans.append({m.capturedStart(1), m.capturedLength(1)});
    // One secret inside another (a URI's password that reads like an entry) is hidden as one.
    std::sort(spans.begin(), spans.end());
    QList<std::pair<qsizetype, qsizetype>> merged;
    for (const auto& [start, length] : std::as_const(spans)) {
        if (!merged.isEmpty() && start <= merged.last().first + merged.last().second)
            merged.last().second = std::max(merged.last().second, start + length - merged.last().first);
        else
            merged.append({start, length});
    }
    return merged;
}

// text (a message of libpq about location) with every secret of location hidden: as written, decoded and
// without its quotes, the longest first so that one holding a shorter one goes whole.
QString withoutSecrets(QString text, const QString& location)
{
    QStringList secrets;
    for (const auto& [start, length] : secretSpans(location)) {
        QString secret = location.mid(start, length);
        if (secret.startsWith(u'\'')) secret = secret.mid(1).chopped(secret.endsWith(u'\'') && length > 1 ? 1 : 0);
        secrets << location.mid(start, length) << secret
                << QString::fromUtf8(QByteArray::fromPercentEncoding(secret.toUtf8()));
    }
    secrets.removeAll(QString());
    std::sort(secrets.begin(), secrets.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& secret : std::as_const(secrets))
        text.replace(secret, u"***"_s);
    return text;
}

// The password comes from ~/.pgpass and from nowhere else: not from the location, nor from a password
// file or a service entry it names, nor from the environment. Whatever names another source is refused,
// rather than dropped in silence: the connection would then fail naming nothing, or the environment
// of the programs the register starts (the editor of the contract template) would change behind the
// shop's back.
void checkLocation(const QString& location)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(location.toUtf8().constData(), &error);
    if (!options) {
        const QString text = error ? QString::fromUtf8(error).trimmed() : QString();
        PQfreemem(error);
        throw StoreError(u"Not a valid store location %1: %2"_s.arg(PgConnection::displayLocation(location),
                                                                    withoutSecrets(text, location)));
    }
    QString source;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val || !*o->val) continue;
        for (const char* keyword : {"password", "passfile", "service"})
            if (std::strcmp(o->keyword, keyword) == 0 && source.isEmpty()) source = QString::fromLatin1(keyword) + u'=';
    }
    PQconninfoFree(options);
    for (const char* variable : {"PGPASSWORD", "PGPASSFILE", "PGSERVICE"})
        if (source.isEmpty() && !qEnvironmentVariableIsEmpty(variable))
            source = QString::fromLatin1(variable) + u" in the environment"_s;
    if (!source.isEmpty())
        throw StoreError(u"The password of %1 belongs in ~/.pgpass, never in the store's location (%2)"_s.arg(
            PgConnection::displayLocation(location), source));
}

// A new connection to location, or ConnectionLost with the server's reason.
pg_conn* openConnection(const QString& location)
{
    checkLocation(location);
    const QByteArray uri = location.toUtf8();
    // Ours first, the location's own after them: the location may set any of them otherwise.
    const char* keywords[] = {"application_name", "client_encoding", "connect_timeout",
                              "keepalives",       "keepalives_idle", "keepalives_interval",
                              "keepalives_count", "dbname",          nullptr};
    const char* values[] = {"mervana", "UTF8", "5", "1", "10", "3", "3", uri.constData(), nullptr};
    pg_conn* conn = PQconnectdbParams(keywords, values, 1);
    if (!conn) throw ConnectionLost(u"Cannot connect to the database server %1: out of memory"_s.arg(location));
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString text = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        PQfinish(conn);
        throw ConnectionLost(u"Cannot connect to the database server %1: %2"_s.arg(location, text));
    }
    return conn;
}

QString errorText(const pg_result* result, pg_conn* conn)
{
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    QString text = QString::fromUtf8(primary ? primary : PQerrorMessage(conn)).trimmed();
    if (const char* detail = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL) : nullptr)
        text += u" ("_s + QString::fromUtf8(detail).trimmed() + u')';
    return text;
}

// Runs sql (one or more statements, nothing bound) on conn; throws StoreError.
void run(pg_conn* conn, const QString& sql)
{
    const PgResult r(PQexec(conn, sql.toUtf8().constData()));
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw StoreError(errorText(r.get(), conn));
}

// Runs sql where its answer does not matter: a rollback, housekeeping. Nothing is thrown.
void runQuietly(pg_conn* conn, const char* sql)
{
    const PgResult r(PQexec(conn, sql));
}

// The first value of the first row of sql with one bound text value, or an empty text.
QString ask(pg_conn* conn, const char* sql, const QByteArray& value = {})
{
    const char* values[] = {value.constData()};
    const PgResult r(PQexecParams(conn, sql, value.isNull() ? 0 : 1, nullptr, values, nullptr, nullptr, 0));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK) throw StoreError(errorText(r.get(), conn));
    return PQntuples(r.get()) > 0 && !PQgetisnull(r.get(), 0, 0) ? QString::fromUtf8(PQgetvalue(r.get(), 0, 0))
                                                                 : QString();
}

bool storeIn(pg_conn* conn)
{
    return ask(conn,
               "SELECT to_regclass(current_schema() || '.' || $1) IS NOT NULL AND "
               "to_regclass(current_schema() || '.recordcounts') IS NOT NULL",
               Schema::tables().constFirst().sqlName.toLower().toUtf8()) == u"t"_s;
}

// One connection of a command of its own, closed on every way out.
struct OwnConnection
{
    explicit OwnConnection(const QString& location) : conn(openConnection(location)) {}
    ~OwnConnection() { PQfinish(conn); }
    OwnConnection(const OwnConnection&) = delete;
    OwnConnection& operator=(const OwnConnection&) = delete;
    pg_conn* conn;
};

RowValues::Kind kindOfType(Oid type)
{
    switch (type) {
    case BoolType:
    case Int8Type:
    case Int2Type:
    case Int4Type:
    case OidType:
        return RowValues::Kind::Integer;
    case Float4Type:
    case Float8Type:
    case NumericType:
        return RowValues::Kind::Real;
    default:
        return RowValues::Kind::Text;
    }
}

// A value as the server wrote it in text form, of the kind its column's type gives.
RowValues::Stored storedValue(const pg_result* r, int row, int column, Oid type, RowValues::Kind kind)
{
    RowValues::Stored s;
    if (PQgetisnull(r, row, column)) return s;
    const char* text = PQgetvalue(r, row, column);
    s.kind = kind;
    switch (kind) {
    case RowValues::Kind::Integer:
        s.integer = type == BoolType ? (text[0] == 't' ? 1 : 0) : std::strtoll(text, nullptr, 10);
        break;
    case RowValues::Kind::Real:
        // A whole sum of whole numbers comes as numeric: an integer, as SQLite gives it.
        if (type == NumericType && !std::strpbrk(text, ".eEN")) {
            s.kind = RowValues::Kind::Integer;
            s.integer = std::strtoll(text, nullptr, 10);
        } else {
            s.real = std::strtod(text, nullptr);
        }
        break;
    default:
        s.text = text;
        s.size = PQgetlength(r, row, column);
        break;
    }
    return s;
}

class PgStatement : public Statement
{
public:
    // A statement run once goes without a name, so the server keeps nothing of it.
    PgStatement(PgConnection& connection, const QString& sql, bool once = false)
        : m_connection(connection), m_once(once)
    {
        PgSql::Translated t = PgSql::translate(sql);
        m_sql = std::move(t.sql);
        m_values.resize(size_t(t.parameters));
        m_null.assign(size_t(t.parameters), true);
    }

    using Statement::bind;
    void bind(int index, const QVariant& v) override
    {
        if (index < 1 || size_t(index) > m_values.size())
            throw StoreError(u"Bind index %1 out of range: %2"_s.arg(index).arg(QString::fromUtf8(m_sql)));
        const size_t i = size_t(index - 1);
        m_null[i] = false;
        switch (RowValues::kindOf(v)) {
        case RowValues::Kind::Null:
            m_null[i] = true;
            break;
        case RowValues::Kind::Integer:
            m_values[i] = QByteArray::number(v.toLongLong());
            break;
        case RowValues::Kind::Real:
            m_values[i] = QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest).toLatin1();
            break;
        case RowValues::Kind::Text:
            m_values[i] = v.toString().toUtf8();
            break;
        }
    }

    bool step() override
    {
        if (!m_result) {
            run();
            m_row = 0;
        } else {
            ++m_row;
        }
        return m_row < PQntuples(m_result.get());
    }

    QVariant value(int column) const override
    {
        const RowValues::Stored s = stored(column);
        switch (s.kind) {
        case RowValues::Kind::Null:
            return {};
        case RowValues::Kind::Integer:
            return QVariant(s.integer);
        case RowValues::Kind::Real:
            return QVariant(s.real);
        case RowValues::Kind::Text:
            break;
        }
        return QVariant(QString::fromUtf8(s.text, s.size));
    }

    qint64 int64(int column) const override
    {
        const RowValues::Stored s = stored(column);
        if (s.kind == RowValues::Kind::Text) return std::strtoll(s.text, nullptr, 10);
        return s.kind == RowValues::Kind::Real ? qint64(s.real) : s.integer;
    }

    void readValues(int firstColumn, int fieldCount, quint64 mask, RowValues& out) const override
    {
        std::array<RowValues::Stored, RowValues::MaxFields> values;
        int n = 0;
        for (int f = 0, column = firstColumn; f < fieldCount; ++f)
            if (mask & (quint64(1) << f)) values[size_t(n++)] = stored(column++);
        out.read(values.data(), fieldCount, mask);
    }

    qint64 lastInsertId() const override
    {
        return m_result && PQntuples(m_result.get()) > 0 && PQnfields(m_result.get()) > 0
                   ? std::strtoll(PQgetvalue(m_result.get(), 0, 0), nullptr, 10)
                   : 0;
    }

    qint64 changes() const override { return m_result ? std::strtoll(PQcmdTuples(m_result.get()), nullptr, 10) : 0; }

protected:
    void clear() override
    {
        m_result.reset();
        m_row = -1;
        m_null.assign(m_null.size(), true);
    }

private:
    RowValues::Stored stored(int column) const
    {
        if (!m_result || m_row < 0 || m_row >= PQntuples(m_result.get()) || column >= int(m_kinds.size())) return {};
        return storedValue(m_result.get(), m_row, column, m_types[size_t(column)], m_kinds[size_t(column)]);
    }

    void run()
    {
        // A BEGIN still to send goes out now, in one pipeline with this statement once it is prepared.
        bool begin = m_connection.takePendingBegin();
        pg_conn* conn = m_connection.handle();
        if (begin && (m_generation != m_connection.generation() || m_once)) {
            PgResult r(PQexec(conn, "BEGIN"));
            if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) m_connection.fail(std::move(r));
            begin = false;
        }
        if (m_generation != m_connection.generation() || m_once) {
            // Prepared once per connection; a connection made again has none of them.
            m_name = m_once ? QByteArray("") : m_connection.nextStatementName();
            PgResult r(PQprepare(conn, m_name.constData(), m_sql.constData(), int(m_values.size()), nullptr));
            if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) m_connection.fail(std::move(r));
            m_generation = m_connection.generation();
        }
        std::vector<const char*> values(m_values.size());
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = m_null[i] ? nullptr : m_values[i].constData();
        PgResult r = begin ? withBegin(conn, values)
                           : PgResult(PQexecPrepared(conn, m_name.constData(), int(values.size()), values.data(),
                                                     nullptr, nullptr, 0));
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) m_connection.fail(std::move(r));
        m_result = std::move(r);
        const PGresult* result = m_result.get();
        const int columns = PQnfields(result);
        m_types.resize(size_t(columns));
        m_kinds.resize(size_t(columns));
        for (int c = 0; c < columns; ++c) {
            m_types[size_t(c)] = PQftype(result, c);
            m_kinds[size_t(c)] = kindOfType(m_types[size_t(c)]);
        }
    }

    // BEGIN and the statement in one pipeline; the statement's result, or the first error met.
    PgResult withBegin(pg_conn* conn, const std::vector<const char*>& values)
    {
        if (PQenterPipelineMode(conn) != 1) m_connection.fail(nullptr);
        const bool sent = PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
                          PQsendQueryPrepared(conn, m_name.constData(), int(values.size()), values.data(), nullptr,
                                              nullptr, 0) == 1 &&
                          PQpipelineSync(conn) == 1;
        PgResult first, answer;
        int results = 0;
        // Read up to the sync (or until nothing more comes, when the connection broke).
        for (int nulls = 0; sent && nulls < 3;) {
            PgResult r(PQgetResult(conn));
            if (!r) {
                ++nulls;
                if (PQstatus(conn) != CONNECTION_OK) break;
                continue;
            }
            const ExecStatusType status = PQresultStatus(r.get());
            if (status == PGRES_PIPELINE_SYNC) break;
            if (++results == 1)
                first = std::move(r);
            else
                answer = std::move(r);
        }
        PQexitPipelineMode(conn);
        if (!sent || !first || PQresultStatus(first.get()) != PGRES_COMMAND_OK) m_connection.fail(std::move(first));
        return answer;
    }

    PgConnection& m_connection;
    bool m_once;
    QByteArray m_sql;
    QByteArray m_name;
    quint64 m_generation = 0;
    std::vector<QByteArray> m_values;
    std::vector<bool> m_null;
    PgResult m_result;
    int m_row = -1;
    std::vector<Oid> m_types;
    std::vector<RowValues::Kind> m_kinds;
};

} // namespace

bool PgConnection::isPlainName(const QString& name)
{
    static const QRegularExpression plain(u"^[A-Za-z0-9_]{1,63}$"_s);
    return plain.match(name).hasMatch();
}

QString PgConnection::displayLocation(const QString& location)
{
    // In place, by position: a short password must not take letters out of the rest of the location.
    QString shown = location;
    const auto spans = secretSpans(location);
    for (auto it = spans.crbegin(); it != spans.crend(); ++it)
        shown.replace(it->first, it->second, u"***"_s);
    return shown;
}

PgConnection::PgConnection(const QString& location) : m_location(location)
{
    m_conn = openConnection(location);
    try {
        m_schema = ask(m_conn, "SELECT current_schema()");
        // Every statement names the schema: only a plain one is ever written into them.
        if (m_schema.isEmpty() || m_schema != m_schema.toLower() || !isPlainName(m_schema))
            throw StoreError(u"Cannot open database %1: its schema must be named in lower case letters, digits and "
                             u"_ only (%2)"_s.arg(location, m_schema.isEmpty() ? u"none"_s : m_schema));
        if (!storeIn(m_conn))
            throw StoreError(
                u"Cannot open database %1: it holds no store; create one with: mervana-admin init %1"_s.arg(location));
        setUpSession();
    } catch (...) {
        PQfinish(m_conn);
        throw;
    }
}

PgConnection::~PgConnection()
{
    // The server lets go of a closed session's locks only when it notices that the session ended: a restore
    // started right after this program closed must not find the store still held.
    if (PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) == PQTRANS_IDLE)
        runQuietly(m_conn, "SELECT pg_advisory_unlock_all()");
    PQfinish(m_conn);
}

void PgConnection::setUpSession()
{
    run(m_conn, sessionSql(m_schema));
    // A restore holds the store alone only for its replacing transaction; one that is just ending is waited
    // for a moment rather than reported as running.
    constexpr int RestoreWaitMs = 3000;
    const QDeadlineTimer deadline(RestoreWaitMs);
    while (ask(m_conn, "SELECT pg_try_advisory_lock_shared(" STORE_LOCK ")") != u"t"_s) {
        if (deadline.hasExpired())
            throw StoreError(u"The store %1 is being restored; open it again when that is done"_s.arg(m_location));
        QThread::msleep(50);
    }
}

void PgConnection::createStore(const QString& location, int version, const QString& counters)
{
    if (!counters.isEmpty() && !isPlainName(counters))
        throw StoreError(u"Cannot create the store %1: the counters' role must be named with letters, digits and _ "
                         u"only (%2)"_s.arg(location, counters));
    OwnConnection c(location);
    if (storeIn(c.conn)) throw StoreError(u"A store exists already: %1"_s.arg(location));
    if (ask(c.conn, "SELECT count(*) FROM pg_collation WHERE collname = 'sk-SK-x-icu'") == u"0"_s)
        throw StoreError(u"Cannot create the store %1: the server has no ICU collation sk-SK-x-icu"_s.arg(location));
    try {
        const QString schema = ask(c.conn, "SELECT current_schema()");
        run(c.conn, u"BEGIN;\n"_s + Schema::createStoreSql(Engine::Postgresql, version).join(u";\n"_s) + u";\n"_s +
                        (counters.isEmpty() ? QString() : countersSql(schema, counters)) + u"COMMIT;"_s);
    } catch (const StoreError& e) {
        runQuietly(c.conn, "ROLLBACK");
        throw StoreError(u"Cannot create the store %1: %2"_s.arg(location, e.text()));
    }
}

void PgConnection::dropStore(const QString& location)
{
    OwnConnection c(location);
    // A session that has just closed may still be dropping its own views of the tables on the server, and
    // the CASCADE meets them: the server then ends one of the two as a deadlock. That one tries again.
    for (int attempt = 1;; ++attempt) {
        const PgResult r(PQexec(c.conn, (u"BEGIN;\n"_s + Schema::dropServerSql() + u"COMMIT;"_s).toUtf8().constData()));
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK) return;
        const char* state = r ? PQresultErrorField(r.get(), PG_DIAG_SQLSTATE) : nullptr;
        const bool deadlock = state && std::strcmp(state, "40P01") == 0;
        const QString text = errorText(r.get(), c.conn);
        runQuietly(c.conn, "ROLLBACK");
        if (!deadlock || attempt == 5) throw StoreError(text);
    }
}

bool PgConnection::holdsStore(const QString& location)
{
    OwnConnection c(location);
    return storeIn(c.conn);
}

pg_conn* PgConnection::handle()
{
    if (PQstatus(m_conn) == CONNECTION_OK) {
        if (takePendingBegin()) {
            // Whatever uses the connection itself finds the transaction begun.
            PgResult r(PQexec(m_conn, "BEGIN"));
            if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) fail(std::move(r));
        }
        return m_conn;
    }
    if (m_inTransaction)
        throw ConnectionLost(
            u"The connection to the database server %1 was lost; the command was not stored"_s.arg(m_location));
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw ConnectionLost(u"Cannot connect to the database server %1: %2"_s.arg(
            m_location, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed()));
    ++m_generation;
    setUpSession();
    if (reconnected) reconnected();
    return m_conn;
}

void PgConnection::fail(PgResult result)
{
    const QString text = errorText(result.get(), m_conn);
    const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
    const char* constraint = result ? PQresultErrorField(result.get(), PG_DIAG_CONSTRAINT_NAME) : nullptr;
    const bool unique = state && std::strcmp(state, "23505") == 0;
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw ConnectionLost(
            u"The connection to the database server %1 was lost (%2); the command was not stored"_s.arg(m_location,
                                                                                                        text));
    if (!unique) throw StoreError(text);
    // The server words its detail in its own language ("Key (number)=(26/00001) already exists."): the value is
    // what stands after "=".
    static const QRegularExpression value(u"=\\(([^()]*)\\)"_s);
    const QString taken = value.match(text).captured(1);
    const QString name = constraint ? QString::fromUtf8(constraint) : QString();
    for (const TableDef& def : Schema::tables())
        for (const FieldDef& f : def.fields)
            if (f.unique && Schema::uniqueIndexName(def, f) == name)
                throw KeyViolation(text, def.sqlName, f.name, taken);
    throw KeyViolation(text, {}, {}, taken);
}

std::unique_ptr<Statement> PgConnection::prepare(const QString& sql)
{
    return std::make_unique<PgStatement>(*this, sql);
}

void PgConnection::exec(const QString& sql)
{
    PgStatement statement(*this, sql, true);
    statement.step();
}

// Sent with the transaction's first statement: one round trip less for every write.
void PgConnection::begin()
{
    handle();
    m_inTransaction = true;
    m_beginPending = true;
}

void PgConnection::beginSnapshot()
{
    beginWith("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
}

// The trail of changes has a lock of its own in the store's schema: the writer that holds it reads the chain's end
// and appends, and the next one waits for its commit.
QString PgConnection::trailLockSql() const
{
    return u"SELECT pg_advisory_xact_lock(1835365231, " STORE_SCHEMA "::int)"_s;
}

QString PgConnection::trailMomentSql() const
{
    return u"to_char(clock_timestamp(), 'YYYY-MM-DD HH24:MI:SS.MS')"_s;
}

void PgConnection::beginWith(const char* sql)
{
    pg_conn* conn = handle();
    PgResult r(PQexec(conn, sql));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) fail(std::move(r));
    m_inTransaction = true;
}

void PgConnection::commit()
{
    if (takePendingBegin()) { // nothing was sent: nothing to end
        m_inTransaction = false;
        return;
    }
    pg_conn* conn = handle();
    m_inTransaction = false;
    PgResult r(PQexec(conn, "COMMIT"));
    if ((!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) && PQstatus(m_conn) != CONNECTION_OK) {
        // The COMMIT went out; whether the server wrote it before the connection broke, no answer says.
        const QString text = errorText(r.get(), m_conn);
        throw CommitUnknown(
            u"The connection to the database server %1 was lost during the commit (%2); whether the command was "
            u"stored is not known"_s.arg(m_location, text));
    }
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) fail(std::move(r));
    // A transaction that met an error earlier ends by rolling back, which COMMIT only reports.
    const bool rolledBack = std::strcmp(PQcmdStatus(r.get()), "ROLLBACK") == 0;
    if (rolledBack) throw StoreError(u"Transaction rolled back"_s);
    tidyMarks();
}

void PgConnection::rollback()
{
    m_inTransaction = false;
    if (takePendingBegin()) return;
    if (PQstatus(m_conn) == CONNECTION_OK) runQuietly(m_conn, "ROLLBACK");
}

bool PgConnection::hasTable(const QString& sqlName)
{
    return ask(handle(), "SELECT to_regclass($1) IS NOT NULL", quoted(sqlName).toUtf8()) == u"t"_s;
}

bool PgConnection::hasColumn(const QString& sqlName, const QString& column)
{
    // One bound value: the quoted table, a dot, the column.
    return ask(handle(),
               "SELECT count(*) FROM pg_attribute WHERE attrelid = to_regclass(split_part($1, '.', 1)) AND attname = "
               "split_part($1, '.', 2) AND NOT attisdropped",
               (quoted(sqlName) + u'.' + column.toLower()).toUtf8()) != u"0"_s;
}

QString PgConnection::sharedTable(const TableDef& def) const
{
    return quoted(m_schema) + u'.' + quoted(def.sqlName);
}

QString PgConnection::tableForWriting(const TableDef& def) const
{
    return def.ofCounter ? u"pg_temp."_s + quoted(def.sqlName) : sharedTable(def);
}

QString PgConnection::insertSql(const TableDef& def, const QStringList& columns) const
{
    QString sql = u"INSERT INTO "_s + tableForWriting(def);
    if (columns.isEmpty()) return sql + u" DEFAULT VALUES RETURNING rowid"_s;
    return sql + u" ("_s + columns.join(u", "_s) + u") VALUES ("_s + QStringList(columns.size(), u"?"_s).join(u", "_s) +
           u") RETURNING rowid"_s;
}

QString PgConnection::rowIdList()
{
    return u"SELECT unnest(?::bigint[])"_s;
}

QString PgConnection::rowIdTable()
{
    return u"SELECT value, ord FROM unnest(?::bigint[]) WITH ORDINALITY AS u(value, ord)"_s;
}

QVariant PgConnection::rowIdListValue(const QList<qint64>& rowids) const
{
    return joinRowIds(rowids, '{', '}');
}

QString PgConnection::recordCountSql(const TableDef& def)
{
    if (def.ofCounter) return {};
    // The counts as committed, and what this transaction changed of them so far.
    return u"SELECT n + COALESCE(NULLIF(current_setting('mervana.count_%1', true), '')::bigint, 0) "
           u"FROM recordcounts WHERE name = '%1'"_s.arg(def.sqlName);
}

QString PgConnection::reindexSql(const TableDef& def, const TagDef& tag) const
{
    return u"REINDEX INDEX "_s + quoted(def.sqlName + u'_' + tag.name);
}

QString PgConnection::markSql(const TableDef& def, Rows rows) const
{
    switch (rows) {
    case Rows::One:
        return markUpsert(def, u"VALUES (?2, ?1::integer)"_s);
    case Rows::List:
        return markUpsert(def, u"SELECT r, ?1::integer FROM unnest(?2::bigint[]) AS r"_s);
    case Rows::Range:
        return markUpsert(def, u"SELECT rowid, ?1::integer FROM "_s + sharedTable(def) +
                                   u" WHERE rowid BETWEEN ?2 AND ?3"_s);
    case Rows::All:
        break;
    }
    return markUpsert(def, u"SELECT rowid, ?1::integer FROM "_s + sharedTable(def));
}

QString PgConnection::markWhereSql(const TableDef& def, const QString& valueSql, const QString& whereSql) const
{
    QString rows = u"SELECT a.rowid, ("_s + valueSql + u")::integer FROM "_s + sharedTable(def) + u" AS a"_s;
    if (!whereSql.isEmpty()) rows += u" WHERE "_s + whereSql;
    return markUpsert(def, rows);
}

void PgConnection::clearMarks(const TableDef& def)
{
    if (hasMark(def)) run(handle(), u"DELETE FROM pg_temp.\"%1_marks\""_s.arg(lower(def.sqlName)));
}

void PgConnection::marksWritten(const TableDef& def, qint64 rows)
{
    m_marksWritten[lower(def.sqlName)] += rows;
    if (!m_inTransaction) tidyMarks();
}

// A session's marks tables are its own, so the server's autovacuum never visits them: every mark written
// leaves its old version behind, and over a day of views they would grow many times over and slow every
// pass. They are vacuumed here, outside any transaction, once enough has been written.
void PgConnection::tidyMarks()
{
    constexpr qint64 Enough = 20000;
    for (auto it = m_marksWritten.begin(); it != m_marksWritten.end(); ++it) {
        if (it.value() < Enough) continue;
        it.value() = 0;
        if (PQstatus(m_conn) != CONNECTION_OK) return;
        // Housekeeping only: what was written is committed, and the next command meets a lost connection.
        runQuietly(m_conn, u"VACUUM pg_temp.\"%1_marks\""_s.arg(it.key()).toUtf8().constData());
    }
}

int PgConnection::notificationSocket() const
{
    return PQstatus(m_conn) == CONNECTION_OK ? PQsocket(m_conn) : -1;
}

QStringList PgConnection::takeChangedTables()
{
    QStringList names;
    if (PQstatus(m_conn) != CONNECTION_OK) return names;
    PQconsumeInput(m_conn);
    const int own = PQbackendPID(m_conn);
    while (PGnotify* n = PQnotifies(m_conn)) {
        const QString payload = QString::fromUtf8(n->extra);
        if (n->be_pid != own && payload.section(u'.', 0, 0) == m_schema) names << payload.section(u'.', 1);
        PQfreemem(n);
    }
    return names;
}

void PgConnection::rowIdsTaken(const TableDef& def)
{
    const QString table = sharedTable(def);
    exec(u"SELECT setval(pg_get_serial_sequence('%1', 'rowid'), GREATEST(MAX(rowid), 1), MAX(rowid) IS NOT NULL) "
         u"FROM %1"_s.arg(table.toLower()));
}

int PgConnection::takeAlone()
{
    // Held by the transaction, not the session: a connection made again after a loss cannot have dropped it
    // unnoticed (it ends the transaction with an error), and the commit lets go of it.
    if (!m_inTransaction) throw StoreError(u"The store %1 is taken alone only inside a transaction"_s.arg(m_location));
    if (ask(handle(), "SELECT pg_try_advisory_xact_lock(" STORE_LOCK ")") == u"t"_s) return 0;
    const int others = ask(handle(), "SELECT count(DISTINCT pid) FROM pg_locks WHERE locktype = 'advisory' AND "
                                     "classid = " STORE_LOCK_KEY " AND objid = " STORE_SCHEMA " AND objsubid = 2 "
                                     "AND pid <> pg_backend_pid()")
                           .toInt();
    return std::max(1, others); // one that closed meanwhile still refused the lock
}
