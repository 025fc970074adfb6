#pragma once

#include <optional>

namespace lesaro::bench {

// The book list of the ten-year library printed with all columns into a PDF file through the preview
// window's own print path, and the same for a tenth of the books, so that the time per book of both can
// be compared: the printout must grow linearly with the list.
void registerPrintBenchmarks();

// Seconds for the whole list, and the time per book of the whole list over that of the tenth.
std::optional<double> printBooksSeconds();
std::optional<double> printScalingRatio();

} // namespace lesaro::bench
