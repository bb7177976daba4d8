// Quit signals on POSIX (platform/quit_request.h): a handler that posts the
// quit request and wakes a poll() through a self-pipe.
#include "platform/quit_request.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

// Lock-free, so it may be written from a signal handler.
std::atomic<bool> quitSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The self-pipe that wakes a poll(); non-blocking, so a full pipe (nobody
// waiting) never blocks the handler. Made before the handlers exist.
int wakePipe[2] = {-1, -1};

extern "C" void onQuitSignal(int) {
    const int savedErrno = errno;
    quitSignalled.store(true, std::memory_order_relaxed);
    postQuitRequest();
    if (wakePipe[1] >= 0) {
        const char wake = 0;
        [[maybe_unused]] const ssize_t written = write(wakePipe[1], &wake, 1);
    }
    errno = savedErrno;
}

}  // namespace

void installQuitSignals() {
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : QUIT_SIGNALS)
        sigaction(signal, &action, nullptr);
}

bool quitSignalReceived() { return quitSignalled.load(std::memory_order_relaxed); }

int quitSignalFd() { return wakePipe[0]; }
