// Quit signals on Windows (platform/quit_request.h): console control events
// (Ctrl-C, Ctrl-Break, the console closed, logoff, shutdown) post the quit
// request. Windows runs the handler on a thread of its own, and ends the
// process when it returns from a close, logoff or shutdown event, so for
// those it waits: the main loop's normal end (the display mode restored,
// the sound closed) ends the process first.
#include "platform/quit_request.h"

#include <atomic>

#include "platform/windows/quit_event.h"

namespace {

// Windows allows a closing console's handler 5 s before it ends the process
// itself; the show's teardown takes well under that.
constexpr DWORD CLOSE_GRACE_MS = 4500;

// Relaxed: the flag carries no data; the event orders what a waiter reads.
std::atomic<bool> quitSignalled{false};
// Made before the handler is installed, never closed: the handler's thread
// may still run while the process exits.
std::atomic<HANDLE> signalledEvent{nullptr};

BOOL WINAPI onConsoleControl(DWORD event) {
    quitSignalled.store(true, std::memory_order_relaxed);
    postQuitRequest();
    const HANDLE waiter = signalledEvent.load(std::memory_order_relaxed);
    if (waiter != nullptr)
        SetEvent(waiter);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(CLOSE_GRACE_MS);
    return TRUE;
}

}  // namespace

void installQuitSignals() {
    if (signalledEvent.load(std::memory_order_relaxed) == nullptr)
        signalledEvent.store(CreateEventW(nullptr, TRUE, FALSE, nullptr), std::memory_order_relaxed);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool quitSignalReceived() { return quitSignalled.load(std::memory_order_relaxed); }

// Windows' waiters wait on quitSignalEvent(); no descriptor polls here.
int quitSignalFd() { return -1; }

HANDLE quitSignalEvent() { return signalledEvent.load(std::memory_order_relaxed); }
