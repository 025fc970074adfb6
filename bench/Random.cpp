#include "Random.h"

#include <cmath>
#include <numbers>

namespace lesaro::bench {

namespace {
quint64 splitMix(quint64& x) {
    quint64 z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

quint64 rotl(quint64 x, int k) {
    return (x << k) | (x >> (64 - k));
}
} // namespace

Random::Random(quint64 seed) {
    for (quint64& s : m_state)
        s = splitMix(seed);
}

quint64 Random::next() {
    const quint64 result = rotl(m_state[1] * 5, 7) * 9;
    const quint64 t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
}

quint32 Random::below(quint32 bound) {
    if (bound <= 1)
        return 0;
    // Multiply-shift keeps the bias below 2^-32, far under anything a benchmark can notice.
    return quint32(((next() >> 32) * quint64(bound)) >> 32);
}

int Random::between(int low, int high) {
    return low + int(below(quint32(high - low + 1)));
}

double Random::unit() {
    return double(next() >> 11) * 0x1.0p-53;
}

bool Random::chance(double probability) {
    return unit() < probability;
}

double Random::normal() {
    // Box-Muller; the second value is thrown away to keep the state simple.
    const double u1 = 1.0 - unit();
    const double u2 = unit();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

} // namespace lesaro::bench
