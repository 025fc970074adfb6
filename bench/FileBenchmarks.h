#pragma once

#include <QStringList>
#include <optional>

namespace lesaro::bench {

// The ten-year library written and read through our table files, beside the same slots and change logs
// written to and read from an SQLite database file.
void registerFileBenchmarks();

// The three table files of the ten-year library (books, readers, loans), built on first use.
QStringList tenYearLibraryFiles();

// What loading the ten-year library as the program's start does, and saving it again, cost in memory in a
// process of their own (lesaro-load-probe). Sizes are multiples of the three files' size.
struct LibraryMemory {
    double loadPeakRatio = 0;            // peak resident size above the empty program
    std::optional<double> savePeakRatio; // what the save adds to the peak, above the loaded library
    double loadFaultsPer4Kb = 0;
    double saveFaultsPer4Kb = 0;
};
// Empty when the probe is missing or fails (a failure is also reported as a mismatch).
std::optional<LibraryMemory> libraryMemory();

} // namespace lesaro::bench
