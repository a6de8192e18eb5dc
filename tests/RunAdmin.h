#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// mervana-admin run as a shop runs it, with what it printed and its exit status.
struct AdminRun
{
    int status;
    QString out;
    QString err;
};

inline AdminRun runAdmin(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(MERVANA_ADMIN), args);
    if (!p.waitForFinished(60000)) qFatal("mervana-admin hangs");
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
