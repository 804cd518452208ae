#include "Corvane/numerics/correlation/shared_generator.h"

#include <sys/random.h>

#include <ctime>

namespace corvane {

namespace {

std::mutex& GeneratorMutex() {
    static std::mutex mutex;
    return mutex;
}

std::mt19937& Generator() {
    static std::mt19937 engine;
    return engine;
}

}  // namespace

std::uint32_t FreshSeed() {
    std::uint32_t seed = 0;
    if (getrandom(&seed, sizeof seed, 0) == static_cast<ssize_t>(sizeof seed)) return seed;
    return static_cast<std::uint32_t>(std::time(nullptr));
}

GeneratorLease::GeneratorLease() : lock_(GeneratorMutex()), engine_(Generator()) {}

}  // namespace corvane
