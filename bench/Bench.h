#pragma once

#include <QFile>
#include <QString>
#include <cstdio>

// What the benchmark programs share: printing a figure at once and the peak memory of the process.
namespace Bench {

inline void print(const QString& text)
{
    std::fputs(qUtf8Printable(text + u'\n'), stdout);
    std::fflush(stdout);
}

// Peak resident memory of this process in kB (VmHWM), -1 where the system does not tell.
inline qint64 peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace Bench
