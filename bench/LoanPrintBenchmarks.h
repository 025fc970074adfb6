#pragma once

#include <optional>

namespace lesaro::bench {

// The loan list and the overdue letters of the ten-year library in their real windows, offscreen: the loan
// list's preview opened on page 1 of the 150,000 loans, the letters window opened on its first letter as of
// the library's last day, and the whole loan list printed into a PDF file through its preview window.
void registerLoanPrintBenchmarks();

// Milliseconds for one opening of each window, the median of the repetitions, when it was measured.
std::optional<double> previewOpenLoansMilliseconds();
std::optional<double> lettersOpenMilliseconds();
// Seconds for printing the loan list into a PDF file, when it was measured.
std::optional<double> printLoansSeconds();

} // namespace lesaro::bench
