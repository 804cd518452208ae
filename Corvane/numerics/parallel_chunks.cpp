#include "Corvane/numerics/parallel_chunks.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane {

void ForChunks(std::size_t count, std::size_t chunk, int threads,
               const std::function<void(std::size_t, std::size_t)>& body) {
    chunk = std::max<std::size_t>(chunk, 1);
    const std::size_t chunks = (count + chunk - 1) / chunk;
    const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), chunks);
    if (workers <= 1) {
        if (count > 0) body(0, count);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto work = [&] {
        try {
            for (std::size_t c; (c = next.fetch_add(1)) < chunks;) body(c * chunk, std::min(count, (c + 1) * chunk));
        } catch (...) {
            next = chunks;
            std::lock_guard lock(failureMutex);
            if (!failure) failure = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> others;
        others.reserve(workers - 1);
        for (std::size_t t = 1; t < workers; ++t) others.emplace_back(work);
        work();
    }
    if (failure) std::rethrow_exception(failure);
}

int ThreadsForWork(std::size_t count, std::size_t minimum) {
    return count >= minimum && std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

}  // namespace corvane
