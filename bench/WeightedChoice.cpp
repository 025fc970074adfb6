#include "WeightedChoice.h"

#include "Random.h"

#include <algorithm>
#include <cmath>

namespace lesaro::bench {

WeightedChoice::WeightedChoice(const std::vector<double>& weights) {
    m_cumulative.reserve(weights.size());
    double sum = 0;
    for (double w : weights) {
        sum += std::max(0.0, w);
        m_cumulative.push_back(sum);
    }
}

WeightedChoice WeightedChoice::zipf(int count, double exponent) {
    std::vector<double> weights(size_t(std::max(count, 0)));
    for (int k = 0; k < count; ++k)
        weights[size_t(k)] = 1.0 / std::pow(double(k + 1), exponent);
    return WeightedChoice(weights);
}

int WeightedChoice::pick(Random& random) const {
    if (m_cumulative.empty())
        return -1;
    const double target = random.unit() * m_cumulative.back();
    const auto it = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), target);
    return int(std::min<std::ptrdiff_t>(it - m_cumulative.begin(), std::ptrdiff_t(m_cumulative.size()) - 1));
}

} // namespace lesaro::bench
