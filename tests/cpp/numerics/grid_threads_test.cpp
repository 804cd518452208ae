// Transforms planned and run on several threads at once: the planner is shared, the plans of large
// transforms run on two threads of their own, and every result is the one a lone call gives.
#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "Corvane/numerics/grid/grid_transforms.h"

namespace {

using namespace corvane;

TEST(GridTransformThreads, ConcurrentTransformsGiveWhatALoneCallGives) {
    for (std::size_t n : {std::size_t{1} << 10, std::size_t{1} << 18}) {
        std::mt19937_64 rng(7);
        std::vector<double> x(n);
        for (double& v : x) v = std::uniform_real_distribution<double>(0, 1)(rng);
        const auto forward = FFT(x), back = IFFT(forward);
        std::vector<std::vector<double>> forwards(3), backs(3);
        std::vector<std::thread> threads;
        for (int t = 0; t < 3; ++t)
            threads.emplace_back([&, t] {
                forwards[t] = FFT(x);
                backs[t] = IFFT(forwards[t]);
            });
        for (auto& t : threads) t.join();
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(forwards[t], forward) << n << " thread " << t;
            EXPECT_EQ(backs[t], back) << n << " thread " << t;
        }
    }
}

}  // namespace
