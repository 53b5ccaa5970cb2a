// The simulator's seeded random numbers (splitmix64): the same seed gives
// the same sequence on every platform.
#pragma once
#include <cmath>
#include <cstdint>

class SimRandom {
public:
    explicit SimRandom(uint64_t seed) : state_(seed ^ 0x5EED5EED5EED5EEDull) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    double Uniform() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
    // Standard normal (Box-Muller, one value per call).
    double Normal() {
        double u = Uniform();
        if (u < 1e-300) u = 1e-300;
        const double v = Uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }
    // Poisson deviate: exact for small means, normal approximation above 10.
    double Poisson(double mean) {
        if (mean <= 0) return 0;
        if (mean > 10) {
            const double v = mean + std::sqrt(mean) * Normal();
            return v < 0 ? 0 : std::floor(v + 0.5);
        }
        const double limit = std::exp(-mean);
        double p = Uniform();
        int k = 0;
        while (p > limit) {
            p *= Uniform();
            ++k;
        }
        return k;
    }
    // A seed derived from a base seed and a counter.
    static uint64_t Mix(uint64_t a, uint64_t b) {
        SimRandom r(a * 0x100000001B3ull + b);
        return r.Next();
    }

private:
    uint64_t state_;
};
