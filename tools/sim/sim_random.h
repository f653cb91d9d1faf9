#pragma once
// A small seeded generator (splitmix64) whose sequence is the same on every platform and
// standard library, so that a seed always gives the same image.

#include <cstdint>

namespace vandrel::sim {

class SimRandom {
  public:
    explicit SimRandom(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    uint32_t word() { return static_cast<uint32_t>(next() >> 32); }

    // Uniform in [lo, hi).
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * (static_cast<double>(next() >> 11) * 0x1.0p-53);
    }

  private:
    uint64_t state_;
};

}  // namespace vandrel::sim
