#pragma once

namespace lesaro::bench {

// "postcode-lookup/lesaro": the towns of one postcode as the reader window offers them when the postcode
// box is left, from the built-in postcode table; "postcode-lookup/filter" beside it narrows the same table
// with the filter "PLZ = '…'" and reads the towns, which is what the hash saves. Milliseconds per lookup.
void registerPostcodeBenchmarks();

} // namespace lesaro::bench
