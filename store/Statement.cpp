#include "store/Statement.h"

#include "store/Errors.h"
#include "store/Row.h"

#include <sqlite3.h>

Statement::Statement(sqlite3* db, const QString& sql) : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) !=
        SQLITE_OK)
        fail();
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::fail() const
{
    throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_db)));
}

void Statement::bind(int index, const QVariant& v)
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

void Statement::bind(const QList<QVariant>& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    const QString text = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(m_stmt);
    throw StoreError(text);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_nextBind = 1;
    m_rowPending = false;
    m_started = false;
}

void Statement::exec()
{
    m_rowPending = step();
    m_started = true;
}

bool Statement::next()
{
    if (m_rowPending) {
        m_rowPending = false;
        return true;
    }
    return m_started && step();
}

QVariant Statement::value(int column) const
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

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

void Statement::readValues(int firstColumn, int fieldCount, quint64 mask, RowValues& out) const
{
    out.read(m_stmt, firstColumn, fieldCount, mask);
}

qint64 Statement::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}
