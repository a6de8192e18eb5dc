#pragma once

#include <QByteArray>
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

// input goes to its standard input, which then ends.
inline AdminRun runAdmin(const QStringList& args, const QByteArray& input = {},
                         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral(MERVANA_ADMIN), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) qFatal("mervana-admin hangs");
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
