// FFTW's planner (plan creation and destruction) is not thread-safe by itself; its lock is
// installed once per process, before the first plan is made, together with FFTW's threads
// (so that plans for large transforms may run on several threads).
#pragma once

#include <cstddef>
#include <functional>

#include <fftw3.h>

namespace corvane {

// Installs FFTW's threads and planner lock on the first call; later calls do nothing. Call before
// planning.
void MakeFftwPlannerThreadSafe();

// The threads a plan of `points` points runs on: two from 2^18 points (when the machine has
// them), one below, where starting threads costs more than they save.
int ThreadsFor(std::size_t points);

// Makes a plan with `make` that runs on `threads` threads. FFTW takes the thread count from a
// process-wide setting at planning time, so plans are made one at a time here.
fftw_plan MakePlanOnThreads(int threads, const std::function<fftw_plan()>& make);

// MakePlanOnThreads(ThreadsFor(points), make).
fftw_plan MakePlan(std::size_t points, const std::function<fftw_plan()>& make);

}  // namespace corvane
