// gtParallelFor: every index once whatever the thread count, the calling thread among the
// workers, and the exception of the lowest index that threw, after every index has run.
#include "toolkit/gtParallelFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

TEST(gtParallelFor, EveryIndexOnceForAnyThreadCount) {
    for (unsigned threads : {0u, 1u, 2u, 8u}) {
        for (size_t count : {size_t{0}, size_t{1}, size_t{5}, size_t{1000}}) {
            std::vector<std::atomic<int>> runs(count);
            gtParallelFor(count, threads, [&](size_t i) { ++runs[i]; });
            for (size_t i = 0; i < count; ++i) {
                EXPECT_EQ(runs[i].load(), 1) << threads << " threads, index " << i;
            }
        }
    }
}

TEST(gtParallelFor, OneThreadIsTheCallingThread) {
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::thread::id> ran(10);
    gtParallelFor(ran.size(), 1, [&](size_t i) { ran[i] = std::this_thread::get_id(); });
    for (const std::thread::id& id : ran) EXPECT_EQ(id, caller);
}

TEST(gtParallelFor, TheLowestThrowingIndexIsThrownAfterAllRan) {
    for (unsigned threads : {1u, 4u}) {
        std::atomic<int> ran{0};
        try {
            gtParallelFor(50, threads, [&](size_t i) {
                ++ran;
                if (i == 7 || i == 31)
                    throw std::runtime_error(std::to_string(i));
            });
            ADD_FAILURE() << "nothing thrown";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "7");
        }
        EXPECT_EQ(ran.load(), 50);
    }
}
