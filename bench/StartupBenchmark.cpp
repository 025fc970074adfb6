#include "StartupBenchmark.h"

namespace lesaro::bench {

std::optional<double> startupVsLoadRatio() {
    return std::nullopt;
}

} // namespace lesaro::bench
