#pragma once

// The seeded generator of the shipped data: splitmix64, the same numbers on
// every platform and library version.

#include <cmath>
#include <cstdint>

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double uniform(double a, double b) { return a + (b - a) * double(next() >> 11) / double(1ULL << 53); }
    // A normal deviate (Box-Muller), mean 0 and deviation 1.
    double normal()
    {
        const double u = uniform(1e-12, 1.0), v = uniform(0.0, 1.0);
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * M_PI * v);
    }
    int below(int n) { return int(next() % std::uint64_t(n)); }

private:
    std::uint64_t state_;
};
