// What every fuzzer shares: its command line, a random stream per iteration derived from the seed
// (so that a failure is reproduced by running the same seed again), a bounded run, and the report
// of the iteration that was running when the process fails or hangs.
//
//   <fuzzer> [--seconds S] [--iterations N] [--seed K] [fuzzer's own arguments]
//
// The seed is printed first; without --seed a fresh one is drawn.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fuzz {

struct RunOptions {
    std::uint64_t seed = 0;
    double seconds = 10.0;
    std::uint64_t iterations = 0;  // 0: as many as fit in `seconds`
    double hangSeconds = 60.0;     // one iteration running longer than this is reported as a hang
    std::vector<std::string> rest; // the fuzzer's own arguments
};

RunOptions ParseOptions(int argc, char** argv);

// Runs iterations 0, 1, ... with a random stream of their own until the time or count is reached;
// `one` may describe what it is doing through Note() for the failure report. Returns the number of
// iterations run.
std::uint64_t Run(const char* name, const RunOptions& options, const std::function<void(std::mt19937_64&)>& one);

// A short text naming what the current iteration does, printed when the process fails or hangs.
void Note(std::string text);

// Mutations of a file image: bit flips, interesting values at aligned or given offsets, cuts,
// extensions and copied chunks. `fields` lists byte offsets of fields worth aiming at.
void Mutate(std::vector<unsigned char>& bytes, std::mt19937_64& rng, const std::vector<std::size_t>& fields);

// Picks uniformly from a list.
template <class T>
const T& Pick(std::mt19937_64& rng, const std::vector<T>& items) {
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)];
}

bool Chance(std::mt19937_64& rng, double p);

// Interesting 32-bit integers and doubles for counts, sizes, codes and amounts.
const std::vector<std::int32_t>& Ints();
const std::vector<double>& Doubles();

}  // namespace fuzz
