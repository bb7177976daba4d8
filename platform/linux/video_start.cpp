// SDL's video on Linux: the display the environment names, X11 or Wayland
// (platform/display_guard.h).
#include "platform/display_guard.h"

#include <SDL.h>

#include <cstring>

namespace {

bool named(const char* driver, const char* name) { return driver != nullptr && std::strcmp(driver, name) == 0; }

bool isHeadless(const char* driver) { return named(driver, "offscreen") || named(driver, "dummy"); }

void describeMissingDisplay() {
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (x11 != nullptr && wayland != nullptr)
        SDL_SetError("cannot reach the display DISPLAY=%s or WAYLAND_DISPLAY=%s", x11, wayland);
    else if (x11 != nullptr || wayland != nullptr)
        SDL_SetError("cannot reach the display %s=%s", x11 != nullptr ? "DISPLAY" : "WAYLAND_DISPLAY",
                     x11 != nullptr ? x11 : wayland);
    else
        SDL_SetError("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
}

}  // namespace

// Starts SDL's video on the display the environment names. Left to itself,
// SDL tries every driver in turn when that display cannot be reached and may
// end up on one without a display (offscreen), where the show would play to
// nothing: such a driver runs only when SDL_VIDEODRIVER asks for it.
// With no display named at all, no driver is tried: each would only add a
// library's own complaint (libwayland's about XDG_RUNTIME_DIR) to ours.
bool startDisplayVideo() {
    const bool asked = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (!asked && x11 == nullptr && wayland == nullptr) {
        describeMissingDisplay();
        return false;
    }
    if (!asked && (x11 == nullptr) != (wayland == nullptr))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 != nullptr ? "x11" : "wayland");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (!asked)
            describeMissingDisplay();
        return false;
    }
    if (asked || !isHeadless(SDL_GetCurrentVideoDriver()))
        return true;
    // A failed stage leaves nothing behind.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    describeMissingDisplay();
    return false;
}
