#pragma once

namespace lesaro::bench {

// The main window as the program builds it, offscreen on the ten-year library, each moment timed up to the
// changed screen painted (the widget grabbed after the event), in milliseconds:
// "tab-change/lesaro": one change of tab, the four tabs in turn (the overdue tab filters the loans, the others
// show them all again);
// "sort-author-window/lesaro": a click on the book list's "Verfasser" title, the list sorted by author
// (between two of them an untimed click on "Nr." sorts it back by number);
// "keystroke-paint/lesaro": one letter typed into the author box of the loan booking window, the book list
// narrowed and repainted ("M" and "Mü" in turn, as "keystroke-narrow" does without the window).
void registerWindowBenchmarks();

// Ends the window the benchmarks share; before the application object goes.
void closeWindowBenchmarks();

} // namespace lesaro::bench
