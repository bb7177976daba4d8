#include "platform/quit_request.h"

#include <atomic>
#include <csignal>

namespace {

// Lock-free, so it may be written from a signal handler.
std::atomic<bool> quitPosted{false};
std::atomic<bool> quitSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onQuitSignal(int) {
    quitSignalled.store(true, std::memory_order_relaxed);
    postQuitRequest();
}

}  // namespace

void postQuitRequest() { quitPosted.store(true, std::memory_order_relaxed); }

bool takeQuitRequest() { return quitPosted.exchange(false, std::memory_order_relaxed); }

void installQuitSignals() {
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : QUIT_SIGNALS)
        sigaction(signal, &action, nullptr);
}

bool quitSignalReceived() { return quitSignalled.load(std::memory_order_relaxed); }
