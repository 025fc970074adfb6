#include "BenchContext.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace lesaro::bench {

BenchContext& BenchContext::instance() {
    static BenchContext context;
    return context;
}

const LibraryGenerator& BenchContext::generator() {
    if (!m_generator)
        m_generator = std::make_unique<LibraryGenerator>(sizes());
    return *m_generator;
}

void BenchContext::fail(const QString& what) {
    std::fprintf(stderr, "MISMATCH %s\n", qPrintable(what));
    std::fflush(stderr);
    m_failures.append(what);
}

void BenchContext::note(const QString& line) {
    m_notes.append(line);
}

std::optional<double> BenchContext::value(const std::string& name) const {
    const auto it = m_values.find(name);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

std::optional<double> BenchContext::medianSample(const std::string& name) const {
    const auto it = m_samples.find(name);
    if (it == m_samples.end() || it->second.empty())
        return std::nullopt;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void guarded(benchmark::State& state, const char* name, const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        const QString message = QStringLiteral("%1: %2").arg(QLatin1String(name), QString::fromUtf8(e.what()));
        BenchContext::instance().fail(message);
        state.SkipWithError(e.what());
    }
}

} // namespace lesaro::bench
