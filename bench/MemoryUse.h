#pragma once

#include <QtGlobal>

namespace lesaro::bench {

// What a run costs in memory, as the system counts it for this process: minor page faults (a page taken
// fresh or mapped anew) and resident set sizes in kilobytes. -1 when the system does not tell.
qint64 minorFaults();
qint64 residentKb(); // now
qint64 peakResidentKb();
// Starts the peak over from the size now; false when the system does not allow it.
bool resetPeakResident();

// Minor faults per 4 KB of bytes.
inline double faultsPer4Kb(double faults, double bytes) {
    return bytes > 0 ? faults / (bytes / 4096) : 0;
}

} // namespace lesaro::bench
