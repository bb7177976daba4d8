// The display guard under X11 (platform/display_guard.h).
// Xlib's error handlers are process-wide: they see the errors of SDL's
// connection, of the box watcher's and of SDL's message box alike.
#include "platform/display_guard.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "base/program_message.h"
#include "platform/quit_request.h"

namespace {

constexpr const char* X11_DRIVER = "x11";
constexpr int EXIT_DISPLAY_LOST = 1;
constexpr int WAIT_FOREVER = -1;
constexpr size_t DRAIN_CHUNK = 64;

// The watcher's own connection. Its errors are expected races with a box
// that closes while being acted on, not news about the show's window.
// Relaxed: it is set before the watcher thread starts and cleared after it
// is joined, which orders it with the thread's reads.
std::atomic<Display*> watcherDisplay{nullptr};

bool onX11Driver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, X11_DRIVER) == 0;
}

// Runs inside Xlib, which may hold the display's lock: no Xlib call here.
int onProtocolError(Display* display, XErrorEvent*) {
    if (display != watcherDisplay.load(std::memory_order_relaxed))
        postQuitRequest();
    return 0;
}

// The process that installed the handlers. SDL shows its message box from a
// forked child, which inherits them; only the show itself says what it lost.
pid_t guardedProcess = 0;

// Xlib exits the process once this returns; leaving first keeps exit
// handlers and static destructors from running into the audio threads.
int onDisplayLost(Display* display) {
    if (getpid() != guardedProcess)
        std::_Exit(EXIT_DISPLAY_LOST);
    programMessage("lost the X display %s", DisplayString(display));
    std::_Exit(EXIT_DISPLAY_LOST);
}

bool hasName(Display* display, Window window, const std::string& name) {
    XTextProperty property = {};
    if (XGetWMName(display, window, &property) == 0)
        return false;
    // Compared as bytes: the same for STRING and UTF8_STRING names in ASCII.
    const bool same = property.format == 8 && property.nitems == name.size() &&
                      std::memcmp(property.value, name.data(), name.size()) == 0;
    if (property.value != nullptr)
        XFree(property.value);
    return same;
}

// What a window manager's close button sends; SDL's box closes on it.
void askToClose(Display* display, Window window) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
}

// The descriptor is non-blocking: this stops once it is empty.
void drain(int fd) {
    char bytes[DRAIN_CHUNK];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
}

// The box is found by its caption when it is mapped: directly under the root
// with no window manager, reparented under one (hence each new top-level
// window is watched itself). A quit signal that comes before the box waits
// for it.
void watch(Display* display, const std::string& caption, int stopFd) {
    enum { X_CONNECTION, QUIT_SIGNAL, STOP, WAKE_COUNT };
    pollfd wake[WAKE_COUNT] = {};
    wake[X_CONNECTION] = {ConnectionNumber(display), POLLIN, 0};
    wake[QUIT_SIGNAL] = {quitSignalFd(), POLLIN, 0};  // ignored by poll() when -1
    wake[STOP] = {stopFd, POLLIN, 0};
    Window box = None;
    bool quitAsked = false;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify) {
                XSelectInput(display, event.xcreatewindow.window, StructureNotifyMask);
            } else if (event.type == MapNotify && box == None && hasName(display, event.xmap.window, caption)) {
                box = event.xmap.window;
                XSetInputFocus(display, box, RevertToPointerRoot, CurrentTime);
            } else if (event.type == DestroyNotify && event.xdestroywindow.window == box) {
                box = None;
            }
        }
        if (quitAsked && box != None) {
            askToClose(display, box);
            quitAsked = false;
        }
        XFlush(display);
        if (poll(wake, WAKE_COUNT, WAIT_FOREVER) < 0 && errno != EINTR)
            return;
        if (wake[STOP].revents != 0)
            return;
        if (wake[QUIT_SIGNAL].revents & POLLIN) {
            drain(wake[QUIT_SIGNAL].fd);
            quitAsked = true;
        }
    }
}

}  // namespace

void guardDisplayErrors() {
    // Before video starts the driver is unknown; handlers of an Xlib that
    // nothing connects with are never called.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && !onX11Driver())
        return;
    guardedProcess = getpid();
    XSetErrorHandler(onProtocolError);
    XSetIOErrorHandler(onDisplayLost);
}

// Owns the watcher's connection, its stop pipe and its thread; each is
// undone only if it was made.
struct BoxWatch::Watcher {
    Watcher() = default;
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;
    ~Watcher();

    Display* display = nullptr;
    int stopPipe[2] = {-1, -1};
    std::thread thread;
};

BoxWatch::Watcher::~Watcher() {
    if (thread.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t written = write(stopPipe[1], &stop, 1);
        thread.join();
    }
    if (display != nullptr) {
        XCloseDisplay(display);
        watcherDisplay.store(nullptr, std::memory_order_relaxed);
    }
    for (int fd : stopPipe) {
        if (fd >= 0)
            close(fd);
    }
}

BoxWatch::BoxWatch(const char* caption) {
    if (!onX11Driver())
        return;
    auto watcher = std::make_unique<Watcher>();
    // SDL's box opens the default display too.
    watcher->display = XOpenDisplay(nullptr);
    if (watcher->display == nullptr || pipe2(watcher->stopPipe, O_CLOEXEC) != 0) {
        programMessage("cannot watch the message box");
        return;
    }
    watcherDisplay.store(watcher->display, std::memory_order_relaxed);
    // Selected before the box exists, so its creation cannot be missed.
    XSelectInput(watcher->display, DefaultRootWindow(watcher->display), SubstructureNotifyMask);
    XSync(watcher->display, False);
    try {
        watcher->thread = std::thread(watch, watcher->display, std::string(caption), watcher->stopPipe[0]);
    } catch (const std::system_error& error) {
        programMessage("cannot watch the message box: %s", error.what());
        return;
    }
    watcher_ = std::move(watcher);
}

BoxWatch::~BoxWatch() = default;
