// FFTW's planner (plan creation and destruction) is not thread-safe by itself; its lock is
// installed once per process, before the first plan is made, together with FFTW's threads
// (so that plans for large transforms may run on several threads).
#pragma once

namespace corvane {

// Installs FFTW's threads and planner lock on the first call; later calls do nothing. Call before
// planning.
void MakeFftwPlannerThreadSafe();

}  // namespace corvane
