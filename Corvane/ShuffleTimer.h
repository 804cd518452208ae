// The elapsed-time line of a shuffle or a joint sample, written to the debug trace once the call
// has succeeded: the wall-clock milliseconds and the thread's CPU time in 100-nanosecond units.
#pragma once

#include <chrono>
#include <cstdint>

namespace corvane {

class ShuffleTimer {
public:
    ShuffleTimer();
    void Report() const;

private:
    std::chrono::steady_clock::time_point start_;
    std::int64_t cpuStart_;  // nanoseconds
};

}  // namespace corvane
