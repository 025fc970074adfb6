#pragma once

#include <optional>

namespace lesaro::bench {

// The book list's preview window opened on page 1 of the ten-year library's whole book list, offscreen:
// the time from asking for the window to its first page shown.
void registerPreviewBenchmarks();

// Milliseconds for one opening (the median of the repetitions), when it was measured.
std::optional<double> previewOpenMilliseconds();

} // namespace lesaro::bench
