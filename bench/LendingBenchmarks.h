#pragma once

namespace lesaro::bench {

// The lending desk on the ten-year library, through the same rules the windows call: one typed letter in
// the author box re-narrowing the lendable books up to the list's first screen, and one booking with its
// return. Each must fit in one frame (16 ms).
void registerLendingBenchmarks();

} // namespace lesaro::bench
