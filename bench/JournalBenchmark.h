#pragma once

namespace lesaro::bench {

// 10,000 posts into the ten-year library with the crash journal and without it.
void registerJournalBenchmarks();

} // namespace lesaro::bench
