#pragma once

#include <QtGlobal>

namespace lesaro::bench {

// A small seeded generator (xoshiro256**) with its own distributions, so that the generated library is
// the same on every machine and with every standard library.
class Random {
public:
    explicit Random(quint64 seed);

    quint64 next();
    quint32 below(quint32 bound);   // uniform in [0, bound)
    int between(int low, int high); // uniform in [low, high]
    double unit();                  // uniform in [0, 1)
    bool chance(double probability);
    double normal(); // standard normal

private:
    quint64 m_state[4];
};

} // namespace lesaro::bench
