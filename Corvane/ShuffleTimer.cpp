#include "Corvane/ShuffleTimer.h"

#include <time.h>

#include <cstdio>

#include "automation/trace.h"

namespace corvane {

namespace {

std::int64_t ThreadCpuNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

ShuffleTimer::ShuffleTimer() : start_(std::chrono::steady_clock::now()), cpuStart_(ThreadCpuNanoseconds()) {}

void ShuffleTimer::Report() const {
    const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
    const std::int64_t cpu100ns = (ThreadCpuNanoseconds() - cpuStart_) / 100;
    char line[512];
    const int length = std::snprintf(line, sizeof line, "\n\n\nElapsed time  = %d\t%d\n\n\n",
                                     static_cast<std::int32_t>(wallMs.count()), static_cast<std::int32_t>(cpu100ns));
    // The trace ends the line itself.
    automation::Trace(std::string_view(line, static_cast<std::size_t>(length) - 1));
}

}  // namespace corvane
