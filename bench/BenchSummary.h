#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lesaro::bench {

// Passes every result on to Google Benchmark's own display and keeps the median real time per iteration
// of each benchmark, for the figures printed at the end of the run.
class BenchSummary : public benchmark::BenchmarkReporter {
public:
    explicit BenchSummary(benchmark::BenchmarkReporter* display);

    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // Median seconds per iteration: Google Benchmark's median over the repetitions, or the median of the
    // single runs when there was only one repetition.
    std::optional<double> seconds(const std::string& name) const;

private:
    benchmark::BenchmarkReporter* m_display;
    std::map<std::string, double> m_medians;
    std::map<std::string, std::vector<double>> m_runs;
};

} // namespace lesaro::bench
