#pragma once

namespace lesaro::bench {

// The data exchange on the ten-year library: ten thousand books imported from a delimited file through the
// wizard's import path (read, preview, insert rule per row), and thirty thousand books exported as CSV.
void registerExchangeBenchmarks();

} // namespace lesaro::bench
