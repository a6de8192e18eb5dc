#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class RowValues;

// One prepared statement on the store's connection. The hot paths of the cursors (reading a page,
// posting a record) run through it rather than through Qt SQL, whose per-row conversions cost more than
// the database work itself. Each engine of the store has its own kind (SQLite, PostgreSQL); the SQL is
// written once, in the form both take (see Connection.h).
class Statement
{
public:
    virtual ~Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds in order; an invalid QVariant is NULL, a text (even an empty one) is text.
    void bind(const QList<QVariant>& values);
    virtual void bind(int index, const QVariant& value) = 0; // 1-based
    virtual bool step() = 0;                                 // true while there is a row; throws StoreError
    void reset();                                            // ready to run again; releases the read
    virtual QVariant value(int column) const = 0;            // invalid for NULL
    virtual qint64 int64(int column) const = 0;
    // The current row's columns from firstColumn on as the fields of mask among fieldCount.
    virtual void readValues(int firstColumn, int fieldCount, quint64 mask, RowValues& out) const = 0;
    // The row id of the record the statement stored last (an INSERT through Store::insertStatement).
    virtual qint64 lastInsertId() const = 0;
    // Records written or removed by the last run.
    virtual qint64 changes() const = 0;

    // Query-style use: bind in order, run, then read row by row.
    void addBindValue(const QVariant& value) { bind(m_nextBind++, value); }
    void exec(); // runs to the first row (or to the end of a statement that returns none)
    bool next(); // the first row after exec(), then each following one

protected:
    Statement() = default;
    virtual void clear() = 0; // the engine's part of reset()

private:
    int m_nextBind = 1;
    bool m_rowPending = false;
    bool m_started = false;
};

// A statement in use, reset on every way out of the scope that holds it: its read released (a reading statement
// left open would keep an older state of the store), its bound values gone for the next use.
//   StatementUse q = store.statement(sql);
class StatementUse
{
public:
    StatementUse(Statement& statement) : m_statement(statement) {} // NOLINT: taken as Statement& is given
    ~StatementUse() { m_statement.reset(); }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

    operator Statement&() const { return m_statement; }
    void bind(const QList<QVariant>& values) { m_statement.bind(values); }
    void bind(int index, const QVariant& value) { m_statement.bind(index, value); }
    void addBindValue(const QVariant& value) { m_statement.addBindValue(value); }
    bool step() { return m_statement.step(); }
    void exec() { m_statement.exec(); }
    bool next() { return m_statement.next(); }
    void reset() { m_statement.reset(); }
    QVariant value(int column) const { return m_statement.value(column); }
    qint64 int64(int column) const { return m_statement.int64(column); }
    void readValues(int firstColumn, int fieldCount, quint64 mask, RowValues& out) const
    {
        m_statement.readValues(firstColumn, fieldCount, mask, out);
    }
    qint64 lastInsertId() const { return m_statement.lastInsertId(); }
    qint64 changes() const { return m_statement.changes(); }

private:
    Statement& m_statement;
};
