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

// The end of a normal run measured by startupVsLoadRatio(): from "Beenden" until the process has ended, its
// tables written, in seconds, and that divided by a bare save of the three files in the same run.
std::optional<double> closeLibrarySeconds();
std::optional<double> closeVsSaveRatio();

// Peak resident memory of a scripted session (every window opened, every tab visited, the reader list printed,
// the run ended with its save) on the ten-year library, and how far it lies above the same session's on an
// empty library, over the size of the three files.
struct SessionMemory {
    double peakMb = 0;
    double ratioToFiles = 0;
};
std::optional<SessionMemory> sessionMemory();

} // namespace lesaro::bench
