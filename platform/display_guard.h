// What the show does about its display server beyond what SDL does, so that
// nothing done to it from outside leaves it stuck. Each desktop under SDL
// implements it: Linux for X11 (platform/linux/x11_guard.cpp); where SDL's
// video driver is not x11 (Wayland, offscreen) none of it does anything, and
// a desktop with nothing to guard implements both as nothing. Windows
// (platform/windows/display_guard.cpp) has no display errors to catch: there
// the call before video starts picks Windows' own driver unless
// SDL_VIDEODRIVER names one, and the session's end posts a quit request.
//
// What the rest of the program may rely on:
//   - guardDisplayErrors(), called right before and right after SDL's video
//     subsystem starts, replaces SDL's Xlib error handler, which calls Xlib
//     from inside itself and deadlocks. (SDL puts back the handler it found
//     when its video quits, before the replies to its last requests are in:
//     the first call makes that ours.) From then on a protocol error (the
//     window destroyed by another client) posts a quit request and is
//     otherwise ignored: the loop ends the normal way and the teardown runs
//     through the errors it meets.
//   - Losing the X server ends the process at once with status 1 and one line
//     on stderr naming the display. No exit handler or static destructor
//     runs: they would join the audio threads and close a device that may
//     hang.
//   - A BoxWatch, alive while a message box of that caption is up, gives the
//     box the keyboard focus once it is mapped (there may be no window
//     manager to do it) and closes the box when a quit signal arrives.
#pragma once

#include <memory>

// Starts SDL's video subsystem on the driver this desktop's display needs
// (Linux: the X11 or Wayland display the environment names, never a headless
// driver unless SDL_VIDEODRIVER asks; Windows: its own driver unless
// SDL_VIDEODRIVER names another). False, with SDL's error saying which
// display could not be reached, when there is none.
bool startDisplayVideo();

void guardDisplayErrors();

class BoxWatch {
public:
    explicit BoxWatch(const char* caption);
    ~BoxWatch();
    BoxWatch(const BoxWatch&) = delete;
    BoxWatch& operator=(const BoxWatch&) = delete;

private:
    struct Watcher;
    std::unique_ptr<Watcher> watcher_;
};
