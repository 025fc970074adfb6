#include "BenchSummary.h"

#include <algorithm>

namespace lesaro::bench {

BenchSummary::BenchSummary(benchmark::BenchmarkReporter* display)
    : m_display(display) {}

bool BenchSummary::ReportContext(const Context& context) {
    return m_display->ReportContext(context);
}

void BenchSummary::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.error_occurred || run.iterations <= 0)
            continue;
        const double seconds = run.real_accumulated_time / double(run.iterations);
        const std::string& name = run.run_name.function_name;
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "median")
                m_medians[name] = seconds;
        } else {
            m_runs[name].push_back(seconds);
        }
    }
    m_display->ReportRuns(runs);
}

void BenchSummary::Finalize() {
    m_display->Finalize();
}

std::optional<double> BenchSummary::seconds(const std::string& name) const {
    if (const auto it = m_medians.find(name); it != m_medians.end())
        return it->second;
    const auto it = m_runs.find(name);
    if (it == m_runs.end() || it->second.empty())
        return std::nullopt;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace lesaro::bench
