#pragma once

#include <utility>

#include "store/engine/Connection.h"

#include <QByteArray>
#include <QHash>
#include <memory>

struct pg_conn;
struct pg_result;

// A result of the server's, cleared on every way out of the scope that holds it.
struct PgResultFree
{
    void operator()(pg_result* result) const;
};
using PgResult = std::unique_ptr<pg_result, PgResultFree>;

// A store on a PostgreSQL server that several counters share, through libpq.
//
// The eight tables lie in the database's schema (public unless the user's search path says otherwise),
// with an identity column rowid, the Slovak order of surnames and identity cards by the ICU collation
// "slovak" (sk-SK, secondary strength: case does not count, accents do), a unique index on each field
// the schema keeps unique, the record counts kept by statement triggers and summed once at commit, and a notice on the
// channel "mervana" for every statement that writes a table.
//
// Each connection (one counter's session) keeps its own scratch state in temporary objects that shadow
// the shared ones by name: its WRK marks in tables of their own, seen through views named as the tables
// (so every routine reads and writes WRK as a field, but never another counter's), and its own Prijvyd
// work table. They vanish with the session.
class PgConnection : public Connection
{
public:
    // Connects to the store at location (a postgresql:// URI); throws ConnectionLost when the server
    // cannot be reached, StoreError when the database holds no store.
    explicit PgConnection(const QString& location);
    ~PgConnection() override;

    // Creates the store's tables, indexes and counts in the database at location, in one transaction;
    // throws StoreError when it holds them already or the server lacks the ICU collation.
    // counters: the role the counters connect as, given what the register needs (see Store::createEmpty).
    static void createStore(const QString& location, int version, const QString& counters = {});
    // Removes what createStore made (a copy that failed after it made them).
    static void dropStore(const QString& location);
    static bool holdsStore(const QString& location);
    // Whether a schema name is plain: letters, digits and _ only, as the engine configuration's SCHEMA must be.
    static bool isPlainName(const QString& name);
    // The location as a message may show it: any password in it hidden, also when libpq cannot read it.
    static QString displayLocation(const QString& location);

    Engine engine() const override { return Engine::Postgresql; }
    std::unique_ptr<Statement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;
    void begin() override;
    void commit() override;
    void rollback() override;
    bool hasTable(const QString& sqlName) override;
    bool hasColumn(const QString& sqlName, const QString& column) override;
    QString tableForWriting(const TableDef& def) const override;
    QString insertSql(const TableDef& def, const QStringList& columns) const override;
    QString rowIdList() override;
    QVariant rowIdListValue(const QList<qint64>& rowids) const override;
    QString rowIdTable() override;
    QString recordCountSql(const TableDef& def) override;
    QString reindexSql(const TableDef& def, const TagDef& tag) const override;
    bool marksOfSession() const override { return true; }
    QString markSql(const TableDef& def, Rows rows) const override;
    QString markWhereSql(const TableDef& def, const QString& valueSql, const QString& whereSql) const override;
    void clearMarks(const TableDef& def) override;
    void marksWritten(const TableDef& def, qint64 rows) override;
    int notificationSocket() const override;
    QStringList takeChangedTables() override;

    // The table every counter shares, past the session's view of it.
    QString sharedTable(const TableDef& def) const override;
    void rowIdsTaken(const TableDef& def) override;
    void beginSnapshot() override;
    QString trailLockSql() const override;
    QString trailMomentSql() const override;
    // Takes the store alone for the open transaction (a restore): returns 0, or how many other programs of
    // the register have it open, when they keep it from this one. Until the transaction ends, no other opens
    // it. Throws StoreError outside a transaction.
    int takeAlone();

    // For the statements: the open connection, made again first when it was lost outside a transaction.
    pg_conn* handle();
    // A plain BEGIN not sent yet: the first statement of the transaction takes it along (PgStatement). Clears it.
    bool takePendingBegin() { return std::exchange(m_beginPending, false); }
    quint64 generation() const { return m_generation; }
    QByteArray nextStatementName() { return "m" + QByteArray::number(++m_statementNames); }
    // Throws the error of result: ConnectionLost when the connection is gone, KeyViolation naming the table and
    // field of a unique index.
    [[noreturn]] void fail(PgResult result);

private:
    void setUpSession();
    void beginWith(const char* sql); // a BEGIN of some kind
    void tidyMarks();
    QString m_location;
    pg_conn* m_conn = nullptr;
    QString m_schema;
    quint64 m_generation = 1;
    int m_statementNames = 0;
    bool m_inTransaction = false;
    bool m_beginPending = false;
    QHash<QString, qint64> m_marksWritten; // per marks table, since it was last vacuumed
};
