#pragma once

#include <optional>

namespace lesaro::bench {

// The program's start-up with the ten-year library in its data folder, from the start of the process to the
// main window shown, divided by the time LoadFromFile takes for the same three table files in the same run
// (medians of a few runs each). Empty when the program cannot be started.
std::optional<double> startupVsLoadRatio();

} // namespace lesaro::bench
