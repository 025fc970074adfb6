#pragma once

#include <optional>

namespace lesaro::bench {

// The label window on the ten-year library, offscreen: every book of the list printed as a label into a PDF
// file through the print dialog, and the preview opened from the window on its first sheet.
void registerLabelBenchmarks();

// Seconds for the labels of all books into a PDF file, when it was measured.
std::optional<double> labelsPdfSeconds();
// Milliseconds from "Vorschau" to the first sheet shown, the median of the repetitions, when it was measured.
std::optional<double> labelsPreviewOpenMilliseconds();

// Closes the label window while the application still runs: a window left to the end of the process is torn
// down after the application and crashes the run on its way out.
void closeLabelBenchmarks();

} // namespace lesaro::bench
