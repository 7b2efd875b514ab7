#pragma once

#include <QFile>
#include <QList>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <unistd.h>
#include <vector>

// Timing helpers shared by the benchmarks.
namespace tavlin::bench {

inline double millisecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Robust against the odd run that the machine slowed down.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds of processor time this process has used so far.
inline double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Seconds of processor time another process has used so far (user and system); 0 once it is gone.
inline double processorSecondsOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // utime and stime: the 12th and 13th fields after the command name, which may hold spaces.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

} // namespace tavlin::bench
