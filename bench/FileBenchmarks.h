#pragma once

namespace lesaro::bench {

// The ten-year library written and read through our table files, beside the same slots and change logs
// written to and read from an SQLite database file.
void registerFileBenchmarks();

} // namespace lesaro::bench
