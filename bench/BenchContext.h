#pragma once

#include "LibraryGenerator.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace benchmark {
class State;
}

namespace lesaro::bench {

// What the benchmarks of one run share: the library sizes, the generated library, the disagreements found
// between our engine and SQLite, notes for the end of the run, and figures that are not times.
class BenchContext {
public:
    static BenchContext& instance();

    void setSmall(bool small) { m_small = small; }
    bool small() const { return m_small; }
    LibrarySizes sizes() const { return m_small ? LibrarySizes::small() : LibrarySizes::full(); }
    const LibraryGenerator& generator();

    // A result that differs between the two sides, or an engine failure: printed at once and again at the
    // end, and the run exits with status 1.
    void fail(const QString& what);
    const QStringList& failures() const { return m_failures; }

    void note(const QString& line);
    const QStringList& notes() const { return m_notes; }

    void setValue(const std::string& name, double value) { m_values[name] = value; }
    std::optional<double> value(const std::string& name) const;
    // Figures measured once per repetition; the end of the run shows their median.
    void addSample(const std::string& name, double value) { m_samples[name].push_back(value); }
    std::optional<double> medianSample(const std::string& name) const;

private:
    bool m_small = false;
    std::unique_ptr<LibraryGenerator> m_generator;
    QStringList m_failures;
    QStringList m_notes;
    std::map<std::string, double> m_values;
    std::map<std::string, std::vector<double>> m_samples;
};

// Runs a benchmark body; an exception (an engine error, an SQLite error, a failed check) ends that
// benchmark with the message instead of ending the whole run.
void guarded(benchmark::State& state, const char* name, const std::function<void()>& body);

} // namespace lesaro::bench
