#pragma once

namespace lesaro::bench {

// The reader catalogue of the ten-year library: its 30,000 books with the due dates of the open loans among
// the 150,000, read, made into the page's files and swapped into a folder that holds the catalogue before.
void registerReaderCatalogueBenchmarks();

} // namespace lesaro::bench
