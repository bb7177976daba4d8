// The allocation counter the frame tests rely on: it must see our own
// allocations of every kind and nothing of other threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "tests/support/alloc_counter.h"

namespace {

// Blocks escape through it, so the compiler cannot drop an allocation.
void* volatile escaped;

TEST(AllocationCounter, CountsOwnNewAndMalloc) {
    AllocationCounter allocations;
    auto single = std::make_unique<int>(1);
    escaped = single.get();
    std::vector<double> grown(100);
    escaped = grown.data();
    void* block = std::malloc(16);
    escaped = block;
    block = std::realloc(block, 64);
    escaped = block;
    void* zeroed = std::calloc(4, 4);
    escaped = zeroed;
    std::free(block);
    std::free(zeroed);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(allocations.count(), 2);
#else
    EXPECT_EQ(allocations.count(), 5);
#endif
    EXPECT_GE(allocations.totalCount(), allocations.count());
}

TEST(AllocationCounter, IgnoresOtherThreadsAndStopsWithItsScope) {
    std::unique_ptr<int> fromThread;
    long counted = 0;
    {
        AllocationCounter allocations;
        std::thread worker([&] { fromThread = std::make_unique<int>(2); });
        worker.join();
        counted = allocations.totalCount();
    }
    AllocationCounter later;
    auto afterwards = std::make_unique<int>(3);
    escaped = afterwards.get();
    EXPECT_EQ(later.count(), 1);
    // Starting the thread may allocate here, but the worker's int never counts.
    EXPECT_LE(counted, 2);
}

}  // namespace
