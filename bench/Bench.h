#pragma once

#include "tools/DemoData.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

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

// The middle of repeated measures (0 for none): one slow run of a busy machine does not move it.
inline double median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Processor time of this process since start, in milliseconds.
inline double cpuMs(std::clock_t start)
{
    return double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
}

// The data set of a benchmark: N small shops it builds itself (--scale N; 1000, the "ten shops" set, by
// default) or a copy of a store made by mervana-admin demo (--set DIR).
struct SetArguments
{
    int scale = 1000;
    QString setDir;
};

// Reads the arguments after the program's name; prints the usage and returns false when they are neither.
inline bool parseSetArguments(const QStringList& args, const char* program, SetArguments& out)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1StringView("--scale") && i + 1 < args.size()) {
            out.scale = args.at(++i).toInt();
        } else if (args.at(i) == QLatin1StringView("--set") && i + 1 < args.size()) {
            out.setDir = args.at(++i);
        } else {
            std::fprintf(stderr, "usage: %s [--scale N | --set DIR]\n", program);
            return false;
        }
    }
    if (out.scale < 1 || out.scale > DemoData::MaxScale) {
        std::fprintf(stderr, "%s: --scale needs a whole number from 1 to %d\n", program, DemoData::MaxScale);
        return false;
    }
    return true;
}

} // namespace Bench
