#pragma once

namespace lesaro::bench {

// "search-window/lesaro": one search as the search window runs it on the ten-year library - the typed text
// trimmed, the field box's caption taken back to its field, the filter set on the book table - and the first
// screenful of hits read as the list shows them. Reported in milliseconds per search.
void registerSearchWindowBenchmarks();

} // namespace lesaro::bench
