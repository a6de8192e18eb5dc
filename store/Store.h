#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <array>
#include <memory>

#include "store/Currency.h"
#include "store/engine/Connection.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"

class QSocketNotifier;
class QTimer;
class RecordChanged;
class RowValues;

// One open store, shared by every table instance of the run: the SQLite file in the data folder, or a
// database on a PostgreSQL server that several counters share. Where it is, is its location: a data
// folder, a store file (a backup), or a connection URI postgresql://HOST:PORT/DATABASE?user=USER whose
// password comes from ~/.pgpass only.
class Store : public QObject
{
    Q_OBJECT
public:
    static QString fileName(); // "mervana.db"

    // Whether location names a server store (a postgresql:// URI) rather than a folder or a file.
    static bool isServerLocation(const QString& location);
    // The location as a clerk reads it in a message: the store file of a folder, or the URI.
    static QString displayName(const QString& location);
    // Whether a store is there: the store file, or the register's tables on the server.
    static bool exists(const QString& location);

    // Opens the store at location; throws StoreError when it is missing or cannot be reached, or when its trail
    // of changes or what guards it is missing (Trail::missingGuards).
    explicit Store(const QString& location, QObject* parent = nullptr);
    // Opens it whatever became of its trail: for the owner's new trail (Trail::restart) and for audit-verify,
    // which says what is missing.
    enum class TrailMissing { Allowed };
    Store(const QString& location, TrailMissing);
    ~Store() override;

    // Creates the eight empty tables with their indexes, and the store's own tables of clerks, the trail of
    // changes and person keys (store/Trail.h) with the trail's genesis row; throws when the location holds a
    // store already. A copy that brings a trail of its own asks for none (genesis false). On a server, counters
    // names the role the counters connect as: it gets what the register needs, and of the trail only INSERT and
    // SELECT (the role that creates the store owns the trail). A euro store records its currency; a crown store,
    // as every store made before, records none.
    enum class Genesis { Written, Left };
    static void createEmpty(const QString& location, Genesis genesis = Genesis::Written, const QString& counters = {},
                            Currency currency = Currency::Skk);
    // Registers the collations the store's indexes use on a SQLite connection of one's own.
    static void addCollations(struct sqlite3* handle);

    // What the store's money counts in, as it was when the store was opened (or set since).
    Currency currency() const { return m_currency; }
    // The currency as the store records it now (read anew).
    Currency readCurrency();
    // Records the currency inside the open transaction, or in one of its own.
    void setCurrency(Currency currency);

    // The location the store was opened from (the data folder of an embedded store).
    QString dataDir() const { return m_location; }
    bool isServer() const { return m_connection->engine() == Connection::Engine::Postgresql; }
    Connection& connection() { return *m_connection; }
    // The Qt SQL connection of an embedded store, for routines written against it; writes held back for a
    // batch are done first. Throws StoreError on a server store: use statement() there.
    QSqlDatabase database();

    // The definition of a table present in the store; throws "Table does not exist" otherwise.
    const TableDef& table(const QString& fileName);

    // Change counter of a table; every write bumps it so other instances refresh lazily. On a server the
    // writes of other counters bump it too, as soon as the event loop hears of them.
    quint64 version(const TableDef& def) const { return m_versions.at(def.id); }
    void touch(const TableDef& def);
    void touchAll();

    // A prepared statement cached by its text; the caller binds, steps and resets it.
    Statement& statement(const QString& sql);
    // The same for a statement that reads or writes only the table def: updates held back for
    // other tables may wait.
    Statement& statement(const QString& sql, const TableDef& def);
    void exec(const QString& sql); // throws StoreError on failure
    // The first column of the first row of sql (invalid when there is none).
    QVariant scalar(const QString& sql, const QList<QVariant>& values = {});

    // The statement that stores a new record of def with the fields of mask (bound in table order);
    // lastInsertId() gives its row id after exec(). It leaves no row in the trail: see insertRecord.
    Statement& insertStatement(const TableDef& def, quint64 mask);
    // Stores a new record of def with the fields of mask from values and its row in the trail of changes, in
    // one transaction; returns its row id.
    qint64 insertRecord(const TableDef& def, quint64 mask, const RowValues& values);
    // Deletes the record rowid of def, read as original (the fields loaded there), only if it still holds
    // those values; otherwise stores nothing and throws RecordChanged.
    void deleteRecord(const TableDef& def, qint64 rowid, const RowValues& original);
    void deleteAll(const TableDef& def);
    // The record count of the whole table when the store keeps it, -1 otherwise.
    qint64 keptCount(const TableDef& def);

    // A subquery of row ids bound as one value, for statements over many records; empty when the engine
    // has none (then one statement per record).
    QString rowIdList() { return m_connection->rowIdList(); }
    QVariant rowIdListValue(const QList<qint64>& rowids) const { return m_connection->rowIdListValue(rowids); }

    // Sets WRK of the records of def that whereSql picks (all when it is empty) to valueSql, an expression
    // over the fields of the record, named a; values bind in order. One statement, whatever the engine
    // keeps the marks in.
    void markWhere(const TableDef& def, const QString& valueSql, const QString& whereSql = {},
                   const QList<QVariant>& values = {});

    // Sets fields of the record rowid of def, read as original (the fields loaded there), to their values.
    // The record must still hold what was read, WRK aside, or nothing is stored and RecordChanged is thrown.
    // Only the counter's own marks go unchecked: an update of WRK alone, and every update of a table that
    // no other counter writes (the work table). Inside a transaction, such updates that set the same
    // fields to the same values (a marking loop) are held back and written as one statement: before any
    // other statement runs, at the latest at commit. Every other update is written at once.
    void update(const TableDef& def, quint64 fields, const RowValues& values, qint64 rowid, const RowValues& original);
    void flushUpdates();

    // What a write of the record rowid of def that met it changed (or gone) throws, for an update or a delete;
    // key is the record's value of its recordField.
    static RecordChanged recordChanged(const TableDef& def, qint64 rowid, const QString& key, bool deleting, bool gone);

    // Batches for moving records between tables, one statement each however many records: the records
    // of from with these row ids copied into to, in the order of the ids, with the fields named (both
    // tables have them, and values are copied exactly as stored); or those records deleted. Return the
    // number of records copied or deleted; a row id that is not there counts nothing. Instances of the
    // tables read them anew when they next move.
    qint64 copyRecords(const TableDef& from, const TableDef& to, const QStringList& fields,
                       const QList<qint64>& rowids);
    qint64 deleteRecords(const TableDef& def, const QList<qint64>& rowids);
    // For tests: batches go row by row, as with an SQLite built without json_each.
    void forgoJsonEach() { m_connection->forgoRowIdList(); }

    // Writes everything committed into the store file itself and empties the journal beside it, so that
    // copying the file alone copies every record. Throws StoreError when another connection still reads
    // or writes, or inside a transaction.
    void checkpoint();

    // Instances open on a table, for exclusive opens.
    void acquire(const TableDef& def, bool exclusive);
    void release(const TableDef& def, bool exclusive);

    // Transactions nest by depth; only the outermost commits or rolls back.
    void begin();
    // The same for a transaction that is to write: an outermost one on SQLite takes the write lock as it begins,
    // so that what it reads before its first write is still so when it writes.
    void beginWrite();
    // Rolls back the outermost transaction of one write that failed (OwnWrite in store/Transaction.h): nothing
    // else read what it wrote, so the instances need not read anew. Inside another transaction, as rollback().
    void abandonWrite();
    // The outermost transaction, reading the store as it was at its first read whatever other programs write
    // meanwhile (Connection::beginSnapshot); it ends as any other. Throws StoreError inside a transaction.
    void beginSnapshot();
    void commit();
    void rollback();
    bool inTransaction() const { return m_depth > 0; }

    // Counts statements run, for the benchmark of paged reading.
    quint64 statementsRun() const { return m_statements; }
    void noteStatement(const TableDef& def) // a statement on def run from an instance's own cache
    {
        if (m_held.def == &def) flushUpdates();
        ++m_statements;
    }

    // Takes in what other counters wrote since the last look (the event loop does this by itself).
    void takeRemoteChanges();

    // Who writes, as the trail of changes (store/Trail.h) names it in every row: the signed-in clerk ("—"
    // while nobody is signed in) and the counter (host/user of this computer unless set otherwise).
    const QString& clerk() const { return m_clerk; }
    void setClerk(const QString& name) { m_clerk = name; }
    const QString& counter() const { return m_counter; }
    void setCounter(const QString& counter) { m_counter = counter; }

    // Whether a write of one record of the shop leaves its row in the trail: not inside a long move, which
    // writes one row for all of them (Trail::Bulk), nor where the benchmark measures what the trail costs.
    bool recordsWrites() const { return m_bulk == 0 && m_trailOn; }
    void beginBulk() { ++m_bulk; }
    void endBulk() { --m_bulk; }
    void setTrailForBenchmark(bool on) { m_trailOn = on; }

    // What the open transaction knows of the trail (store/Trail.cpp). Once it has written a row it holds the
    // trail's lock (a server's advisory lock, SQLite's write lock) until it ends: the end of the chain and the
    // person keys it read stay as they are meanwhile. Forgotten when the transaction ends.
    struct TrailLink
    {
        bool locked = false;
        bool known = false; // seq and hash are the chain's end
        qint64 seq = 0;
        QByteArray hash;
        QDateTime moment; // the server's clock at the first row, measured on by since
        QElapsedTimer since;
        QByteArray secret; // of the lookups of person keys
        struct PersonKey
        {
            QString tag; // what the person's rows carry in PERSON
            QByteArray key;
        };
        QHash<QString, PersonKey> keys; // by birth number
        bool erased = false;            // a person key deleted or moved: the old values go at the commit
        QByteArray sealKey;             // the key that seals the next row; empty while the trail is not sealed
    };
    TrailLink& trailLink() { return m_trailLink; }

Q_SIGNALS:
    void tableChanged(const QString& sqlName);

private:
    void watchNotifications();
    void applyRemoteChanges();
    void forgetErased();
    QString m_location;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QTimer> m_poll;
    std::array<quint64, 8> m_versions{};
    QHash<QString, std::shared_ptr<Statement>> m_statementCache;
    QHash<quint64, Statement*> m_insertStatements; // by table and fields
    // Checked writes of one record by table, kind, the fields set and the fields compared: the clerk's
    // every post and the loops that write real fields record by record.
    QHash<std::pair<quint64, quint64>, Statement*> m_recordWrites;
    QHash<QString, int> m_openCount;
    QHash<QString, bool> m_exclusive;
    QStringList m_remoteChanges; // heard of inside a transaction: applied after it
    int m_depth = 0;
    bool m_rollbackOnly = false;
    QString m_clerk;
    QString m_counter;
    int m_bulk = 0;
    bool m_trailOn = true;
    TrailLink m_trailLink;
    quint64 m_statements = 0;
    Currency m_currency = Currency::Skk;
    struct HeldUpdates
    {
        const TableDef* def = nullptr;
        quint64 fields = 0;
        QList<QVariant> values; // of fields, in table order
        QList<qint64> rowids;
    } m_held;
    Statement& updateStatement(const TableDef& def, quint64 fields, Connection::Rows rows);
    // The one way a record of the shop is changed or deleted (values null): here the record as read and
    // its new values meet the statement that writes them, which lands only on the record as read.
    void writeRecord(const TableDef& def, qint64 rowid, const RowValues& original, quint64 fields,
                     const RowValues* values);
    // Sets WRK of the rows given by where to value, where marks are the counter's own.
    void writeMarks(const TableDef& def, const QVariant& value, Connection::Rows rows, const QList<QVariant>& where);
    // Runs the update of fields (values in table order) on the rows given by where.
    void runUpdate(const TableDef& def, quint64 fields, const QList<QVariant>& values, Connection::Rows rows,
                   const QList<QVariant>& where);
    // Runs sql, whose %1 stands for a query of the row ids (value) and their places (ord): once for all
    // of them, or once per id where the engine has no list of them. Returns the records changed.
    qint64 forRowids(const QString& sql, const QList<qint64>& rowids);
    Statement& cachedStatement(const QString& sql);
    // Adds the fields of needed that original lacks, read from the record rowid as it is stored now, so that the
    // trail row of a write can name its old values; the write then also checks those fields.
    RowValues withFields(const TableDef& def, qint64 rowid, const RowValues& original, quint64 needed);
};
