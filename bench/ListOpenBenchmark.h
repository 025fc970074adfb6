#pragma once

namespace lesaro::bench {

// "list-open-loans/lesaro": the ten-year library's loan list (every loan, with the book and reader columns
// looked up) bound to a grid, shown and painted, then followed to its last row, its scroll bar dragged to
// the middle and its rows reset as every filter or order change resets them, each painted. Offscreen, in
// milliseconds per opening; a list that did per-row work up front would take seconds here. The goal is
// under 200 ms.
void registerListOpenBenchmarks();

} // namespace lesaro::bench
