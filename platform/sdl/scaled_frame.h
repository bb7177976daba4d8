// The show's picture on a screen of any size: every frame is drawn into an
// offscreen framebuffer of the show's own size (so viewport, projection and
// scissor keep their pixel values) and, at the swap, copied scaled into the
// largest centred rectangle of the same shape, black around it.
//
// What the rest of the program may rely on:
//   - create() needs the current context; it answers false, leaving nothing
//     behind, when the driver offers no framebuffer objects.
//   - Between create() and destroy() all drawing lands in the offscreen
//     frame; present() copies it to the window's back buffer and leaves the
//     offscreen frame bound again, every other GL state as it was.
#pragma once

#include <cstdint>

struct FrameRect {
    int x, y, width, height;
};

// The largest rectangle of frameWidth : frameHeight that fits the drawable,
// centred in it.
FrameRect fitFrame(int frameWidth, int frameHeight, int drawableWidth, int drawableHeight);

class ScaledFrame {
public:
    ScaledFrame() = default;
    ScaledFrame(const ScaledFrame&) = delete;
    ScaledFrame& operator=(const ScaledFrame&) = delete;

    // depthBits matches the depth buffer the frame would otherwise have (the
    // window's own; the bits asked for, for a hidden window), so depth tests
    // round as they would there.
    bool create(int width, int height, int depthBits);
    // Lays the frame out as a window's buffer is, top row first, where the
    // driver can (clip control), so that polygon edges fall on the pixels
    // they fall on in a window: a framebuffer object's rows run bottom up,
    // and rasterisation follows them. Rows of the viewport and scissor boxes
    // then count from the top; the show's are symmetric about the middle.
    // For a frame that is read back rather than presented.
    void layOutTopRowFirst();
    bool topRowFirst() const { return topRowFirst_; }
    void present(int drawableWidth, int drawableHeight);
    void destroy();
    bool active() const { return framebuffer_ != 0; }

private:
    int width_ = 0;
    int height_ = 0;
    uint32_t framebuffer_ = 0;
    uint32_t colour_ = 0;
    uint32_t depth_ = 0;
    bool topRowFirst_ = false;
};
