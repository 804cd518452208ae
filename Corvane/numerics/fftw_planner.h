// FFTW's planner (plan creation and destruction) is not thread-safe by itself; its lock is
// installed once per process, before the first plan is made.
#pragma once

namespace corvane {

// Installs FFTW's planner lock on the first call; later calls do nothing. Call before planning.
void MakeFftwPlannerThreadSafe();

}  // namespace corvane
