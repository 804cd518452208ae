// Chunked sharing of work among threads: every element once, failures brought back to the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/parallel_chunks.h"

namespace {

using corvane::ForChunks;

TEST(ParallelChunksThreads, EveryElementExactlyOnce) {
    struct Case {
        std::size_t count, chunk;
        int threads;
    };
    for (const Case c : {Case{0, 4, 2}, Case{1, 4, 2}, Case{10, 3, 2}, Case{1000, 7, 3}, Case{1000, 1000, 2},
                         Case{5, 0, 2}, Case{64, 8, 1}}) {
        std::vector<std::atomic<int>> seen(c.count);
        ForChunks(c.count, c.chunk, c.threads, [&](std::size_t first, std::size_t last) {
            if (c.threads > 1) ASSERT_LE(last - first, std::max<std::size_t>(c.chunk, 1));
            for (std::size_t i = first; i < last; ++i) ++seen[i];
        });
        for (std::size_t i = 0; i < c.count; ++i) EXPECT_EQ(seen[i], 1) << c.count << "/" << c.chunk << " at " << i;
    }
}

TEST(ParallelChunksThreads, AFailureIsRethrownAfterEveryThreadStopped) {
    std::atomic<int> running{0};
    EXPECT_THROW(ForChunks(1000, 10, 2,
                           [&](std::size_t first, std::size_t) {
                               ++running;
                               if (first == 500) throw std::runtime_error("chunk failed");
                               --running;
                           }),
                 std::runtime_error);
    EXPECT_EQ(running, 1);  // only the failed chunk never finished
}

}  // namespace
