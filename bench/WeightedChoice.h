#pragma once

#include <vector>

namespace lesaro::bench {

class Random;

// Picks an index with probability proportional to its weight.
class WeightedChoice {
public:
    WeightedChoice() = default;
    explicit WeightedChoice(const std::vector<double>& weights);
    // Rank k (from 0) weighs 1 / (k + 1)^exponent: a few entries are common, most are rare.
    static WeightedChoice zipf(int count, double exponent);

    int pick(Random& random) const;
    int size() const { return int(m_cumulative.size()); }

private:
    std::vector<double> m_cumulative;
};

} // namespace lesaro::bench
