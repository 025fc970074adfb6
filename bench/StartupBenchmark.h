#pragma once

#include <optional>

namespace lesaro::bench {

// The program's start-up with the ten-year library in its data folder, from the start of the process to the
// main window shown, divided by the time LoadFromFile takes for the same three table files in the same run
// (medians of a few runs each). Empty when the program cannot be started.
std::optional<double> startupVsLoadRatio();

// The start after a crash: the same library with a crashed day's loans in its crash journal, from the start of
// the process to the main window shown (the journal replayed, the lent flags put right, the tables written,
// the notice given), in milliseconds (median of a few runs). Empty when the program cannot be started.
std::optional<double> recoveryStartMilliseconds();
// That time divided by the normal start's measured by startupVsLoadRatio() in the same run.
std::optional<double> recoveryVsStartRatio(std::optional<double> recoveryMs);

} // namespace lesaro::bench
