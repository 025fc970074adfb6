#pragma once

#include <QStringList>

namespace lesaro::bench {

// The ten-year library written and read through our table files, beside the same slots and change logs
// written to and read from an SQLite database file.
void registerFileBenchmarks();

// The three table files of the ten-year library (books, readers, loans), built on first use.
QStringList tenYearLibraryFiles();

} // namespace lesaro::bench
