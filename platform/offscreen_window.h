// A window that draws the show where no one sees it, for the programs that
// render it without a display: the recorder, the tests' headless context,
// the benchmarks.
//
// What the rest of the program may rely on:
//   - createOffscreenGlWindow() gives a new GlWindow, never null, whose
//     init() opens nothing on any screen and switches no display mode,
//     whatever the config's fullscreen says, and whose context draws at the
//     window's size into a buffer glReadPixels reads before the swap.
//   - It needs no display server on Linux (SDL's offscreen driver, EGL on
//     the system's GL). On Windows it is a hidden window of SDL's windows
//     driver drawing into a framebuffer object: SDL's offscreen driver there
//     needs an EGL library Windows lacks, and a hidden window's own buffer
//     is undefined to read on real drivers.
#pragma once

#include "platform/gl_window.h"

GlWindow* createOffscreenGlWindow();

// The desktop's half of it, read by the window layer: the SDL video driver
// that draws offscreen, and whether its window must stay hidden and draw
// into a framebuffer object of its own.
struct OffscreenVideo {
    const char* sdlDriver;
    bool hiddenWindow;
};
extern const OffscreenVideo OFFSCREEN_VIDEO;
