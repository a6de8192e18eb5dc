#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class Statement;
struct TableDef;
struct TagDef;

// The store's link to its database engine: the embedded SQLite file of one counter, or a PostgreSQL
// server shared by several. Everything that differs between the two engines lives behind this class,
// in SqliteConnection.cpp and PgConnection.cpp; the Store, the table instances and every routine above
// them write one SQL for both.
//
// That SQL is the common ground of the two: table and field names as the register spells them (quoted or
// not; the server keeps them in lower case), "rowid" for a record's row id, ? for bound values (?1, ?2 for
// one bound value used twice), IFNULL, CASE, EXISTS, LIMIT/OFFSET, the SLOVAK collation. Comparisons
// yield 1 or 0 only inside CASE: write CASE WHEN ... THEN 1 ELSE 0 END for a logical field.
class Connection
{
public:
    enum class Engine { Sqlite, Postgresql };
    // How an update or a mark picks its records: one row id, a list of them (one bound value), a range
    // (two bound values), all of them.
    enum class Rows { One, List, Range, All };

    virtual ~Connection() = default;
    virtual Engine engine() const = 0;

    virtual std::unique_ptr<Statement> prepare(const QString& sql) = 0;
    virtual void exec(const QString& sql) = 0; // throws StoreError
    virtual void begin() = 0;
    // A transaction that is to write; where the engine takes its write lock only at the first write, it takes
    // it at once.
    virtual void beginWrite() { begin(); }
    virtual void commit() = 0;
    virtual void rollback() = 0; // never throws: a connection that is gone has rolled back already
    virtual bool hasTable(const QString& sqlName) = 0;
    // Whether the table has the column (names as the engine folds them); false where the table is missing.
    virtual bool hasColumn(const QString& sqlName, const QString& column) = 0;

    // Where the store's own writes of a table go: the table itself, past anything that stands in for it
    // in one session (on the server the counter's view with its marks, see below).
    virtual QString tableForWriting(const TableDef& def) const = 0;
    // The table itself, as every program sees it: what copies and backups read and write.
    virtual QString sharedTable(const TableDef& def) const { return tableForWriting(def); }
    // After records were copied in with their row ids: new records get row ids after them.
    virtual void rowIdsTaken(const TableDef& def);
    // Begins a transaction that reads the store as it was at its first read, whatever others write.
    virtual void beginSnapshot() { begin(); }
    // INSERT of the named (quoted) columns whose Statement::lastInsertId() gives the new row id.
    virtual QString insertSql(const TableDef& def, const QStringList& columns) const = 0;
    // A subquery of row ids bound as one value (rowIdListValue); empty when the engine has none.
    virtual QString rowIdList() = 0;
    virtual QVariant rowIdListValue(const QList<qint64>& rowids) const = 0;
    // The same list as a table of the row ids (value) and their places in it (ord), or empty.
    virtual QString rowIdTable() = 0;
    // For tests: statements over many records go record by record, as without a list of row ids.
    virtual void forgoRowIdList() {}
    // Writes everything committed into the store itself, where the engine keeps a journal beside it.
    virtual void checkpoint() {}
    // The record count of a whole table without counting, or an empty text when it is not kept.
    virtual QString recordCountSql(const TableDef& def) = 0;
    virtual QString reindexSql(const TableDef& def, const TagDef& tag) const = 0;

    // On a shared server the WRK marks belong to the counter that sets them: markSql writes them apart
    // from the records (bind the mark, then the rows as for an update). Nothing to do on SQLite, whose
    // marks are fields like the others.
    virtual bool marksOfSession() const { return false; }
    virtual QString markSql(const TableDef& def, Rows rows) const;
    // One statement that sets WRK of the records of def (alias a) that whereSql picks (all when it is
    // empty) to the value of valueSql, an expression over the record's fields.
    virtual QString markWhereSql(const TableDef& def, const QString& valueSql, const QString& whereSql) const;
    // Forgets the session's marks of def (its records are gone).
    virtual void clearMarks(const TableDef& def);
    // How many marks of def a statement of markSql or markWhereSql has just written.
    virtual void marksWritten(const TableDef& def, qint64 rows);

    // The trail of changes (store/Trail.h): a statement that makes the open transaction the only one to append
    // to it until it ends (empty where its write lock does that already), and an expression of the moment a
    // row is written (empty where the program's own clock gives it).
    virtual QString trailLockSql() const { return {}; }
    virtual QString trailMomentSql() const { return {}; }

    // Changes other programs made to the shared tables (names as TableDef::sqlName), noticed since the
    // last call; the socket to watch for them, -1 when there is none.
    virtual int notificationSocket() const { return -1; }
    virtual QStringList takeChangedTables() { return {}; }
    // Called when the connection was made again after it had been lost: every cached read is stale.
    std::function<void()> reconnected;

protected:
    // The row ids as one text between open and close, separated by commas: a JSON array, a server's array.
    static QString joinRowIds(const QList<qint64>& rowids, char open, char close);
};
