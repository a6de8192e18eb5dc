#pragma once

#include "store/Store.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <condition_variable>
#include <libpq-fe.h>
#include <mutex>
#include <stdexcept>
#include <thread>

// Which engine a suite's fresh stores live on. Without MERVANA_TEST_PG, the embedded SQLite file in the
// folder the test gives; with it (a postgresql:// location of an empty database, see .ci/pg-cluster), a
// schema of its own in that database for every fresh store, so stores never meet and nothing needs
// dropping: the cluster is thrown away after the run.
namespace TestBackend {

inline QString server()
{
    return qEnvironmentVariable("MERVANA_TEST_PG");
}

inline bool onServer()
{
    return !server().isEmpty();
}

// A new empty schema on the server.
inline QString freshSchema()
{
    static int made = 0;
    const QString schema = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    PGconn* conn = PQconnectdb(server().toUtf8().constData());
    const bool ok = PQstatus(conn) == CONNECTION_OK;
    PGresult* r = ok ? PQexec(conn, QStringLiteral("CREATE SCHEMA %1").arg(schema).toUtf8().constData()) : nullptr;
    const bool created = r && PQresultStatus(r) == PGRES_COMMAND_OK;
    const QString error = QString::fromUtf8(PQerrorMessage(conn));
    PQclear(r);
    PQfinish(conn);
    if (!created) throw std::runtime_error("Cannot make a schema on the test server: " + error.toStdString());
    return schema;
}

// A location where no store is yet: dir itself, or a new empty schema on the server.
inline QString freshLocation(const QString& dir)
{
    if (!onServer()) return dir;
    const QString schema = freshSchema();
    const QString base = server();
    return base + (base.contains(u'?') ? u'&' : u'?') + QStringLiteral("options=-csearch_path%3D") + schema;
}

// The location of the same store for a child process that the test kills: on the server its sessions carry
// a name of their own (pg_stat_activity.application_name), so that childGone can wait for them.
inline QString childLocation(const QString& location)
{
    if (!Store::isServerLocation(location)) return location;
    return location + (location.contains(u'?') ? u'&' : u'?') +
           QStringLiteral("application_name=child%1").arg(QCoreApplication::applicationPid());
}

// After a child was killed: waits until the server has ended the child's sessions. It notices a dead client
// only when it next waits for it, and until then a transaction the child left may still commit; it rolls
// back what is open before the session leaves pg_stat_activity. SQLite rolls back at the next opening and
// needs no wait. False when a session outlives a minute.
inline bool childGone(Store& store)
{
    if (!store.isServer()) return true;
    const QString name = QStringLiteral("child%1").arg(QCoreApplication::applicationPid());
    const QDeadlineTimer deadline(60000);
    while (store.scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE application_name = ?"), {name})
               .toInt() > 0) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(5);
    }
    return true;
}

// What is wrong with a store that a killed program left, or an empty text: SQLite's integrity check, and
// on both engines the record counts the store keeps for its grids against the tables themselves.
inline QString damage(Store& store)
{
    if (!store.isServer()) {
        const QString check = store.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        if (check != QStringLiteral("ok")) return QStringLiteral("integrity check: ") + check;
    }
    for (const TableDef& def : Schema::tables()) {
        const qint64 kept = store.keptCount(def);
        const QString table = store.connection().sharedTable(def);
        const qint64 real = store.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
        if (kept >= 0 && kept != real)
            return QStringLiteral("%1 keeps %2 records counted, holds %3").arg(table).arg(kept).arg(real);
    }
    return {};
}

// Another counter's session on the server, in a thread of its own: it runs hold in one transaction that it
// keeps open, and once a session of the test waits for one of its locks, meanwhile, then COMMIT. So its writes
// land while a command of the test stands in the middle, at the place where that command first waits for it.
// Statements are plain SQL on the store's schema.
class Interloper
{
public:
    Interloper(const QString& location, const QString& hold, const QString& meanwhile)
    {
        m_thread = std::thread([this, location, hold, meanwhile] { run(location, hold, meanwhile); });
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_holding || m_done; });
    }
    ~Interloper() { finish(); }
    Interloper(const Interloper&) = delete;
    Interloper& operator=(const Interloper&) = delete;

    // Waits for the session to end; what went wrong in it, or an empty text.
    QString finish()
    {
        if (m_thread.joinable()) m_thread.join();
        return m_error;
    }

private:
    void run(const QString& location, const QString& hold, const QString& meanwhile)
    {
        PGconn* conn = PQconnectdb(location.toUtf8().constData());
        auto exec = [&](const QString& sql) {
            PGresult* r = PQexec(conn, sql.toUtf8().constData());
            const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
            const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
            const QString answer = ok && PQntuples(r) > 0 ? QString::fromUtf8(PQgetvalue(r, 0, 0)) : QString();
            if (!ok && m_error.isEmpty())
                m_error = sql + QStringLiteral(": ") + QString::fromUtf8(PQerrorMessage(conn));
            PQclear(r);
            return answer;
        };
        if (PQstatus(conn) == CONNECTION_OK) {
            exec(QStringLiteral("BEGIN; ") + hold);
            {
                const std::lock_guard lock(m_mutex);
                m_holding = true;
            }
            m_changed.notify_all();
            // pg_locks is read anew by every statement, also inside a transaction.
            const QDeadlineTimer deadline(60000);
            while (m_error.isEmpty() &&
                   exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_locks WHERE NOT granted AND "
                                       "pg_backend_pid() = ANY (pg_blocking_pids(pid)))")) != QStringLiteral("t")) {
                if (deadline.hasExpired()) {
                    m_error = QStringLiteral("no session waited for the interloper");
                    break;
                }
                QThread::msleep(5);
            }
            if (!meanwhile.isEmpty()) exec(meanwhile);
            exec(QStringLiteral("COMMIT"));
        } else {
            m_error = QString::fromUtf8(PQerrorMessage(conn));
        }
        PQfinish(conn);
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
    }

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_holding = false, m_done = false;
    QString m_error;
};

// The parts of the test server's location, as the engine configuration names them.
struct ServerParts
{
    QString host, port, database, user;
};

inline ServerParts serverParts()
{
    ServerParts parts;
    PQconninfoOption* options = PQconninfoParse(server().toUtf8().constData(), nullptr);
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        const QString value = QString::fromUtf8(o->val ? o->val : "");
        const QByteArray keyword(o->keyword);
        if (keyword == "host") parts.host = value;
        if (keyword == "port") parts.port = value;
        if (keyword == "dbname") parts.database = value;
        if (keyword == "user") parts.user = value;
    }
    PQconninfoFree(options);
    return parts;
}

// The rows sql reads from store, each as its columns' types and values (so that values compare exactly as
// stored) joined by '|'.
inline QStringList rows(Store& store, const QString& sql, int columns)
{
    StatementUse q = store.statement(sql);
    q.exec();
    QStringList out;
    while (q.next()) {
        QStringList row;
        for (int c = 0; c < columns; ++c) {
            const QVariant v = q.value(c);
            row << (v.isValid() ? QString::fromLatin1(v.typeName()) + u':' + v.toString() : QStringLiteral("NULL"));
        }
        out << row.join(u'|');
    }
    return out;
}

// Makes the engine refuse with "disk I/O error" to write a record of table (its SQL name) whose field
// holds value: on "INSERT", or on "UPDATE OF WRK" (the marks, which a server keeps per counter apart).
inline void refuse(Store& store, const QString& write, const QString& table, const QString& field, const QString& value)
{
    if (!store.isServer()) {
        store.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON %2 WHEN NEW.%3 = '%4' "
                                  "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END")
                       .arg(write, table, field, value));
        return;
    }
    const QString shared = store.connection().sharedTable(store.table(Schema::find(table)->file));
    if (write == QStringLiteral("INSERT")) {
        store.exec(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN IF NEW.%1 = "
                                  "''%2'' THEN RAISE EXCEPTION ''disk I/O error''; END IF; RETURN NEW; END'")
                       .arg(field.toLower(), value));
        store.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 FOR EACH ROW EXECUTE FUNCTION refuse()")
                       .arg(shared));
        return;
    }
    store.exec(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN IF EXISTS (SELECT 1 "
                              "FROM %1 s WHERE s.rowid = NEW.rowid AND s.%2 = ''%3'') THEN RAISE EXCEPTION ''disk I/O "
                              "error''; END IF; RETURN NEW; END'")
                   .arg(shared, field.toLower(), value));
    store.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT OR UPDATE ON pg_temp.\"%1_marks\" FOR EACH ROW "
                              "EXECUTE FUNCTION refuse()")
                   .arg(table.toLower()));
}

// Makes the server end the session that commits a transaction which stored a record into table (its SQL
// name), while it commits: as a server going down at that moment would. A server store only; allow undoes it.
inline void dropSessionAtCommit(Store& store, const QString& table)
{
    store.exec(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN PERFORM "
                              "pg_terminate_backend(pg_backend_pid()); PERFORM pg_sleep(60); RETURN NULL; END'"));
    store.exec(QStringLiteral("CREATE CONSTRAINT TRIGGER refuse AFTER INSERT ON %1 DEFERRABLE INITIALLY DEFERRED "
                              "FOR EACH ROW EXECUTE FUNCTION refuse()")
                   .arg(store.connection().sharedTable(store.table(Schema::find(table)->file))));
}

// Lets the engine write again what refuse made it refuse.
inline void allow(Store& store)
{
    if (!store.isServer()) return store.exec(QStringLiteral("DROP TRIGGER refuse"));
    store.exec(QStringLiteral("DROP FUNCTION refuse() CASCADE"));
}

} // namespace TestBackend
