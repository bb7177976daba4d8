// The quit request itself, the same on every platform (platform/quit_request.h);
// what posts it from outside the process is each OS's.
#include "platform/quit_request.h"

#include <atomic>

namespace {

// Lock-free, so it may be written from a signal handler. Relaxed: the flag
// carries no data with it; the loop only needs to see it eventually.
std::atomic<bool> quitPosted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

void postQuitRequest() { quitPosted.store(true, std::memory_order_relaxed); }

bool takeQuitRequest() { return quitPosted.exchange(false, std::memory_order_relaxed); }
