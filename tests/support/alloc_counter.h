// Counts the heap allocations the calling thread makes while an
// AllocationCounter is alive, to check that a code path allocates nothing.
//
// Linking the alloc_counter target replaces every global operator new and
// wraps malloc, calloc and realloc for the whole test program. An allocation
// counts as the program's own when the allocating call comes from code linked
// into the executable (our libraries and the test itself); calls from shared
// libraries, such as the GL driver's internal buffers, count only in
// totalCount(). Other threads are never counted. Under AddressSanitizer only
// operator new is counted (the sanitizer owns malloc).
#pragma once

class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Allocations made by the program's own code since construction.
    long count() const;
    // Every allocation of this thread since construction, libraries included.
    long totalCount() const;

private:
    long ownAtStart_;
    long totalAtStart_;
    bool wasCounting_;
};
