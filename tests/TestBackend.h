#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <libpq-fe.h>
#include <stdexcept>

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

// A location where no store is yet: dir itself, or a new empty schema on the server.
inline QString freshLocation(const QString& dir)
{
    if (!onServer()) return dir;
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
    const QString base = server();
    return base + (base.contains(u'?') ? u'&' : u'?') + QStringLiteral("options=-csearch_path%3D") + schema;
}

} // namespace TestBackend
