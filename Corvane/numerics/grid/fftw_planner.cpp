#include "Corvane/numerics/grid/fftw_planner.h"

#include <mutex>

#include "Corvane/numerics/parallel_chunks.h"

namespace corvane {

void MakeFftwPlannerThreadSafe() {
    static std::once_flag once;
    std::call_once(once, [] {
        fftw_init_threads();
        fftw_make_planner_thread_safe();
    });
}

int ThreadsFor(std::size_t points) { return ThreadsForWork(points, std::size_t{1} << 18); }

fftw_plan MakePlanOnThreads(int threads, const std::function<fftw_plan()>& make) {
    static std::mutex mutex;
    MakeFftwPlannerThreadSafe();
    std::lock_guard lock(mutex);
    fftw_plan_with_nthreads(threads);
    fftw_plan plan = make();
    fftw_plan_with_nthreads(1);
    return plan;
}

fftw_plan MakePlan(std::size_t points, const std::function<fftw_plan()>& make) {
    return MakePlanOnThreads(ThreadsFor(points), make);
}

}  // namespace corvane
