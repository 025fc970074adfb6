#include "MemoryUse.h"

#include <QByteArray>
#include <QFile>
#include <sys/resource.h>

namespace lesaro::bench {

namespace {

qint64 statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

qint64 minorFaults() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
    return usage.ru_minflt;
}

qint64 residentKb() {
    return statusKb("VmRSS");
}

qint64 peakResidentKb() {
    return statusKb("VmHWM");
}

bool resetPeakResident() {
    // Writing 5 to clear_refs sets the peak back to the present size.
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

} // namespace lesaro::bench
