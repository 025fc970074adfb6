#pragma once

#include <optional>

namespace lesaro::bench {

// The statistics of the ten-year library: every figure of its last calendar year computed from the tables,
// and the statistics window opened on that year up to its first chart, offscreen.
void registerStatisticsBenchmarks();

// Milliseconds, the median of the repetitions, when measured.
std::optional<double> statisticsYearMilliseconds();
std::optional<double> statisticsOpenMilliseconds();

} // namespace lesaro::bench
