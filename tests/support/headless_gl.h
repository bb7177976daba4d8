// A 1024 x 768 OpenGL context without a display: the show's own window
// (createGlWindow(1), windowed, on SDL's offscreen driver on Mesa) with its
// pixel format and fixed state, for tests that render and read pixels back.
// Every HeadlessGl of a process shares one context, made on first use and
// kept to the end: tearing Mesa down and up again per test costs time and
// hides leaks from LeakSanitizer behind unloaded libraries.
#pragma once

#include <cstdint>
#include <vector>

#include "content/frame_size.h"

class HeadlessGl {
public:
    // Opens the shared window on first use, whose context stays current,
    // and sets the fixed state again.
    HeadlessGl();
    HeadlessGl(const HeadlessGl&) = delete;
    HeadlessGl& operator=(const HeadlessGl&) = delete;

    bool ok() const { return ok_; }

    // Clears colour and depth and loads the identity model-view matrix.
    void clear();
    // The frame as RGBA bytes, row 0 at the bottom (OpenGL's order).
    std::vector<uint8_t> readPixels() const;
    // One pixel (x from the left, y from the bottom) as RGBA.
    uint32_t pixel(int x, int y) const;

    static constexpr int WIDTH = FRAME_WIDTH;
    static constexpr int HEIGHT = FRAME_HEIGHT;

private:
    bool ok_ = false;
};

// The fields of an RGBA pixel packed by HeadlessGl::pixel().
inline int red(uint32_t rgba) { return static_cast<int>(rgba & 0xff); }
inline int green(uint32_t rgba) { return static_cast<int>((rgba >> 8) & 0xff); }
inline int blue(uint32_t rgba) { return static_cast<int>((rgba >> 16) & 0xff); }
inline int alpha(uint32_t rgba) { return static_cast<int>(rgba >> 24); }
