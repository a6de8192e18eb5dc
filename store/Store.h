#pragma once

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <array>
#include <memory>

#include "store/Schema.h"
#include "store/Statement.h"

class RowValues;

// One open store: the SQLite file in the data folder, shared by every table instance of the run.
class Store : public QObject
{
    Q_OBJECT
public:
    static QString fileName(); // "mervana.db"

    // Opens the store in dataDir; throws StoreError when the folder or its file is missing.
    explicit Store(const QString& dataDir, QObject* parent = nullptr);
    ~Store() override;

    // Creates the eight empty tables with their indexes; throws when dataDir holds a store already.
    static void createEmpty(const QString& dataDir);
    // Registers the collations the store's indexes use on a connection of one's own.
    static void addCollations(struct sqlite3* handle);

    QString dataDir() const { return m_dataDir; }
    // The connection for Qt SQL queries; writes held back for a batch are done first.
    QSqlDatabase database();

    // The definition of a table present in the store; throws "Table does not exist" otherwise.
    const TableDef& table(const QString& fileName);

    // Change counter of a table; every write bumps it so other instances refresh lazily.
    quint64 version(const TableDef& def) const { return m_versions.at(def.id); }
    void touch(const TableDef& def);
    void touchAll();

    // A prepared statement cached by its text; the caller binds, steps and resets it.
    Statement& statement(const QString& sql);
    // The same for a statement that reads or writes only the table def: updates held back for
    // other tables may wait.
    Statement& statement(const QString& sql, const TableDef& def);
    void exec(const QString& sql); // throws StoreError on failure

    // Inside a transaction, updates that set the same fields to the same values (a marking loop)
    // are held back and written as one statement: before any other statement runs, at the latest
    // at commit. Outside a transaction the update is written at once.
    void update(const TableDef& def, quint64 fields, const RowValues& values, qint64 rowid);
    void flushUpdates();

    // Batches for moving records between tables, one statement each however many records: the records
    // of from with these row ids copied into to, in the order of the ids, with the fields named (both
    // tables have them, and values are copied exactly as stored); or those records deleted. Return the
    // number of records copied or deleted; a row id that is not there counts nothing. Instances of the
    // tables read them anew when they next move.
    qint64 copyRecords(const TableDef& from, const TableDef& to, const QStringList& fields,
                       const QList<qint64>& rowids);
    qint64 deleteRecords(const TableDef& def, const QList<qint64>& rowids);
    // For tests: batches go row by row, as with an SQLite built without json_each.
    void forgoJsonEach() { m_batchByList = false; }

    // Writes everything committed into the store file itself and empties the journal beside it, so that
    // copying the file alone copies every record. Throws StoreError when another connection still reads
    // or writes, or inside a transaction.
    void checkpoint();

    // Instances open on a table, for exclusive opens.
    void acquire(const TableDef& def, bool exclusive);
    void release(const TableDef& def, bool exclusive);

    // Transactions nest by depth; only the outermost commits or rolls back.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return m_depth > 0; }

    // Whether the store keeps the record count of every table up to date (stores made by createEmpty do).
    bool keepsCounts() const { return m_keepsCounts; }

    // Counts statements run, for the benchmark of paged reading.
    quint64 statementsRun() const { return m_statements; }
    void noteStatement(const TableDef& def) // a statement on def run from an instance's own cache
    {
        if (m_held.def == &def) flushUpdates();
        ++m_statements;
    }

Q_SIGNALS:
    void tableChanged(const QString& sqlName);

private:
    static void configure(QSqlDatabase& db);
    QString m_dataDir;
    QString m_connection;
    std::array<quint64, 8> m_versions{};
    QHash<QString, std::shared_ptr<Statement>> m_statementCache;
    struct sqlite3* m_handle = nullptr;
    QHash<QString, int> m_openCount;
    QHash<QString, bool> m_exclusive;
    QHash<QString, bool> m_present;
    int m_depth = 0;
    bool m_keepsCounts = false;
    bool m_rollbackOnly = false;
    quint64 m_statements = 0;
    struct HeldUpdates
    {
        const TableDef* def = nullptr;
        quint64 fields = 0;
        QList<QVariant> values; // of fields, in table order
        QList<qint64> rowids;
    } m_held;
    bool m_batchByList = true; // false when the SQLite build has no json_each
    bool hasJsonEach();
    // Runs sql, whose %1 stands for a query of the row ids (value) and their places (ord): once for all
    // of them, or once per id where this SQLite has no json_each. Returns the records changed.
    qint64 forRowids(const QString& sql, const QList<qint64>& rowids);
    enum class RowSelection { One, List, Range };
    Statement& updateStatement(const TableDef& def, quint64 fields, RowSelection rows);
    Statement& cachedStatement(const QString& sql);
};
