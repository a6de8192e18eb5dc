#pragma once

#include <QList>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;
class RowValues;

// One prepared SQLite statement on the store's connection. The hot paths of the cursors (reading a
// page, posting a record) run through it rather than through Qt SQL, whose per-row conversions
// cost more than the database work itself.
class Statement
{
public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds in order; an invalid QVariant is NULL, a text (even an empty one) is text.
    void bind(const QList<QVariant>& values);
    void bind(int index, const QVariant& value); // 1-based
    bool step();                                 // true while there is a row; throws StoreError
    void reset();                                // ready to run again; releases the read
    QVariant value(int column) const;            // invalid for NULL
    qint64 int64(int column) const;
    // The current row's columns from firstColumn on as the fields of mask among fieldCount.
    void readValues(int firstColumn, int fieldCount, quint64 mask, RowValues& out) const;
    qint64 lastInsertId() const;

    // Query-style use: bind in order, run, then read row by row.
    void addBindValue(const QVariant& value) { bind(m_nextBind++, value); }
    void exec(); // runs to the first row (or to the end of a statement that returns none)
    bool next(); // the first row after exec(), then each following one
    void finish() { reset(); }

private:
    [[noreturn]] void fail() const;
    int m_nextBind = 1;
    bool m_rowPending = false;
    bool m_started = false;
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
