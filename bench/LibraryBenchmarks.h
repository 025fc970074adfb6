#pragma once

namespace lesaro::bench {

// The everyday operations on today's library, each beside the same operation in an in-memory SQLite
// database holding the same rows: the search window's keyword part search, ordering the books by author,
// locating a book by its number, and the six lookup fields of every loan.
void registerLibraryBenchmarks();

} // namespace lesaro::bench
