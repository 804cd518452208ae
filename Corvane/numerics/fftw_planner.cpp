#include "Corvane/numerics/fftw_planner.h"

#include <mutex>

#include <fftw3.h>

namespace corvane {

void MakeFftwPlannerThreadSafe() {
    static std::once_flag once;
    std::call_once(once, [] {
        fftw_init_threads();
        fftw_make_planner_thread_safe();
    });
}

}  // namespace corvane
