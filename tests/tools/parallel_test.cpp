// Batches spread over threads: every item once, in place, whatever the jobs;
// a failure of one item reaches the caller.
#include "parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace opbaff::tools {
namespace {

class ParallelTest : public testing::TestWithParam<int> {};

TEST_P(ParallelTest, EveryItemOnceAndTheProgressEndsAtTheCount) {
    const std::size_t count = 1000;
    std::vector<std::atomic<int>> seen(count);
    std::size_t lastProgress = 0;
    bool progressFalls = false;
    runParallel(
        count, GetParam(), [&](std::size_t i) { ++seen[i]; },
        [&](std::size_t done) {
            progressFalls |= done < lastProgress;
            lastProgress = done;
        });
    for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(seen[i], 1) << i;
    EXPECT_EQ(lastProgress, count);
    EXPECT_FALSE(progressFalls);
}

TEST_P(ParallelTest, AFailingItemStopsTheBatchAndIsThrownAgain) {
    std::atomic<int> ran{0};
    EXPECT_THROW(runParallel(100, GetParam(),
                             [&](std::size_t i) {
                                 ++ran;
                                 if (i == 3) throw std::runtime_error("item 3");
                                 // The others take long enough for the failure to be seen.
                                 std::this_thread::sleep_for(std::chrono::milliseconds(2));
                             }),
                 std::runtime_error);
    EXPECT_LT(ran, 100);
}

INSTANTIATE_TEST_SUITE_P(Jobs, ParallelTest, testing::Values(1, 2, 7),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "_jobs";
                         });

TEST(ParallelTest, NoItemsIsNoWork) {
    int calls = 0;
    runParallel(0, 4, [&](std::size_t) { ++calls; });
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace opbaff::tools
