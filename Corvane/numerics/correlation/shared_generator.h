// The process-wide Mersenne Twister (MT19937) of the shuffles and the portfolio sampler, and the
// fresh 32-bit seeds it is reseeded with. A lease holds the generator's lock, so that the draws of
// one call are never interleaved with another thread's.
#pragma once

#include <cstdint>
#include <mutex>
#include <random>

namespace corvane {

// Four random bytes from the kernel (getrandom); the calendar time in seconds when none come.
std::uint32_t FreshSeed();

class GeneratorLease {
public:
    GeneratorLease();
    std::mt19937& engine() { return engine_; }
    void Reseed(std::uint32_t seed) { engine_.seed(seed); }

private:
    std::unique_lock<std::mutex> lock_;
    std::mt19937& engine_;
};

// The generator's 32-bit output times 2^-32, rounded to single precision (so the largest
// outputs round to 1.0).
inline double UniformScore(std::mt19937& g) {
    return static_cast<float>(static_cast<double>(g()) * 2.3283064365386963e-10);
}

}  // namespace corvane
