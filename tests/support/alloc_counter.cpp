#include "tests/support/alloc_counter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// Plain thread-locals: constant-initialised, so reading them inside malloc
// needs no allocation.
thread_local bool counting = false;
thread_local long ownAllocations = 0;
thread_local long allAllocations = 0;

}  // namespace

// Bounds of the executable's code, placed by the linker.
extern "C" char __executable_start;
extern "C" char etext;

namespace {

bool inExecutable(const void* address) {
    const char* a = static_cast<const char*>(address);
    return a >= &__executable_start && a < &etext;
}

void note(const void* caller) {
    if (!counting)
        return;
    ++allAllocations;
    if (inExecutable(caller))
        ++ownAllocations;
}

#if defined(__SANITIZE_ADDRESS__)
void* rawAllocate(std::size_t size) { return std::malloc(size); }
#else
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);
void* rawAllocate(std::size_t size) { return __libc_malloc(size); }
#endif

void* allocateOrThrow(std::size_t size, const void* caller) {
    note(caller);
    void* block = rawAllocate(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void* allocateAligned(std::size_t size, std::align_val_t alignment, const void* caller) {
    note(caller);
    void* block = nullptr;
    const std::size_t align = static_cast<std::size_t>(alignment);
    if (posix_memalign(&block, align < sizeof(void*) ? sizeof(void*) : align, size == 0 ? 1 : size) != 0)
        throw std::bad_alloc();
    return block;
}

}  // namespace

#if !defined(__SANITIZE_ADDRESS__)
extern "C" void* malloc(std::size_t size) {
    note(__builtin_return_address(0));
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
    note(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, std::size_t size) {
    note(__builtin_return_address(0));
    return __libc_realloc(block, size);
}
#endif

void* operator new(std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    note(__builtin_return_address(0));
    return rawAllocate(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    note(__builtin_return_address(0));
    return rawAllocate(size == 0 ? 1 : size);
}

void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment, __builtin_return_address(0));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment, __builtin_return_address(0));
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }

AllocationCounter::AllocationCounter()
    : ownAtStart_(ownAllocations), totalAtStart_(allAllocations), wasCounting_(counting) {
    counting = true;
}

AllocationCounter::~AllocationCounter() { counting = wasCounting_; }

long AllocationCounter::count() const { return ownAllocations - ownAtStart_; }

long AllocationCounter::totalCount() const { return allAllocations - totalAtStart_; }
