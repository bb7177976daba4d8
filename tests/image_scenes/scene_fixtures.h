// Fixtures for the image and text scene tests: pictures written into a
// scratch working directory, screen rectangles of view-space quads, and the
// GL state every scene promises to leave.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/headless_gl.h"

struct Rgba {
    uint8_t r, g, b, a;
};
static_assert(sizeof(Rgba) == 4, "pictures are written as packed RGBA rows");

// A fresh directory with a data/ folder, made the working directory while
// the object lives, so that "data/..." names resolve to fixture pictures.
class ScratchDataDir {
public:
    ScratchDataDir();
    ~ScratchDataDir();
    ScratchDataDir(const ScratchDataDir&) = delete;
    ScratchDataDir& operator=(const ScratchDataDir&) = delete;

    bool ok() const { return !root_.empty(); }

private:
    std::string root_;
    std::string previous_;
};

// An 8-bit RGBA picture, rows from the top.
struct Picture {
    int width;
    int height;
    std::vector<Rgba> pixels;

    Picture(int w, int h, Rgba fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    Rgba& at(int x, int y) { return pixels[size_t(y) * width + x]; }
};

// Writes the picture as an RGBA PNG; false when the file cannot be written.
bool writePicture(const std::string& path, const Picture& picture);

// Pixels whose centres lie inside a projected rectangle, inclusive bounds,
// x from the left and y from the bottom of the frame.
struct PixelRect {
    int left, bottom, right, top;
    bool contains(int x, int y) const {
        return x >= left && x <= right && y >= bottom && y <= top;
    }
};

// The screen rectangle of the axis-aligned view-space rectangle (x0, y0) to
// (x1, y1) at depth z under the current projection, shrunk by inset pixels
// on every side (a negative inset grows it).
PixelRect projectRect(float x0, float y0, float x1, float y1, float z, int inset);

// One frame read back, pixels packed as HeadlessGl::pixel() packs them.
class Frame {
public:
    explicit Frame(const HeadlessGl& gl) : bytes_(gl.readPixels()) {}

    uint32_t at(int x, int y) const {
        const uint8_t* p = &bytes_[(size_t(y) * HeadlessGl::WIDTH + x) * 4];
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

    // Empty when accepts(x, y, pixel) holds for every pixel of the frame;
    // otherwise how many fail and the first of them.
    template <class Accepts>
    std::string mismatches(Accepts accepts) const {
        return mismatchesWithin({0, 0, HeadlessGl::WIDTH - 1, HeadlessGl::HEIGHT - 1}, accepts);
    }

    // The same for the pixels of a rectangle that lie in the frame.
    template <class Accepts>
    std::string mismatchesWithin(const PixelRect& rect, Accepts accepts) const {
        int count = 0;
        char first[96] = "";
        for (int y = std::max(rect.bottom, 0); y <= std::min(rect.top, HeadlessGl::HEIGHT - 1); ++y) {
            for (int x = std::max(rect.left, 0); x <= std::min(rect.right, HeadlessGl::WIDTH - 1);
                 ++x) {
                const uint32_t pixel = at(x, y);
                if (accepts(x, y, pixel))
                    continue;
                if (count++ == 0)
                    std::snprintf(first, sizeof first, "first at (%d, %d): %d %d %d", x, y,
                                  red(pixel), green(pixel), blue(pixel));
            }
        }
        return count == 0 ? std::string() : std::to_string(count) + " pixels, " + first;
    }

private:
    std::vector<uint8_t> bytes_;
};

// Every channel of an RGBA pixel read back by HeadlessGl lies within
// tolerance of the expected colour (alpha not compared).
bool nearColour(uint32_t pixel, int r, int g, int b, int tolerance);

// Fills colour and depth of the frame as if an earlier scene had drawn all
// over it; the clear colour goes back to black.
void fillFrame(Rgba colour);

// The state the scene left: which of depth test, blending and texturing are
// on and whether depth writes are allowed; also that no GL error is pending.
void expectGlState(bool depthTest, bool blend, bool texturing, bool depthMask);

// The state every scene leaves behind it: depth test and writes on, blending
// and texturing off, no GL error.
inline void expectSceneLeftStandardState() { expectGlState(true, false, false, true); }

// A headless 1024 x 768 frame and a scratch data directory per test.
class SceneRenderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        ASSERT_TRUE(data.ok());
    }

    HeadlessGl gl;
    ScratchDataDir data;
};
