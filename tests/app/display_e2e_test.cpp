// The show's picture on screens other than a 1024 x 768 one: every screen
// must show the very frame the recorder draws for the same music time, at the
// mode's own pixels where the display offers the mode, scaled into the
// largest centred 4:3 rectangle with black bars elsewhere.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "content/frame_size.h"
#include "tests/pictures/png_read_back.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb_server.h"

namespace {

const std::string SHOW = SHOW_BINARY;
const std::string CAPTURE = CAPTURE_BINARY;
const std::string TITLE = "Pelmira 15 Advert";
// The title holds still from about 2.9 to 8.6 s of music; the reference is
// drawn in the middle of that.
constexpr int STILL_TITLE_MS = 5000;
constexpr int START_LIMIT_MS = 30000;
// Waits for the title; it stays on screen for more than five seconds.
constexpr int STILL_LIMIT_MS = 40000;

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, row 0 at the top
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The recorder's frame of the still title, drawn once for every test here.
const Frame& referenceFrame() {
    static const Frame frame = [] {
        Frame read;
        char pattern[] = "/tmp/pelmira-reference-XXXXXX";
        const std::string dir = mkdtemp(pattern);
        const std::string path = dir + "/title.png";
        shellOutput("SDL_AUDIODRIVER=dummy '" + CAPTURE + "' --at " + std::to_string(STILL_TITLE_MS) + " '" + path +
                    "' 2>/dev/null");
        ReadBackPng png;
        std::string error;
        if (readBackPng(path, &png, &error) && png.colorType == 2 && png.bitDepth == 8) {
            read.width = static_cast<int>(png.width);
            read.height = static_cast<int>(png.height);
            for (size_t i = 0; i + 2 < png.rows.size(); i += 3)
                read.pixels.push_back(uint32_t{png.rows[i]} << 16 | uint32_t{png.rows[i + 1]} << 8 | png.rows[i + 2]);
        }
        shellOutput("rm -rf '" + dir + "'");
        return read;
    }();
    return frame;
}

int channelDifference(uint32_t a, double r, double g, double b) {
    const double expected[] = {r, g, b};
    double largest = 0;
    for (int i = 0; i < 3; ++i) {
        const double d = std::abs(static_cast<double>(a >> (16 - 8 * i) & 0xff) - expected[i]);
        largest = d > largest ? d : largest;
    }
    return static_cast<int>(largest);
}

struct Placement {
    int x, y, width, height;
};

// Whether the screen shows the reference inside the rectangle and black
// everywhere else. A scaled copy filters linearly, with sample centres
// mapped as OpenGL maps them, bottom row first; tolerance absorbs the
// driver's rounding and a 16-bit screen's. A frame drawn in the wrong place
// or at the wrong size differs far more.
bool showsReference(const std::vector<uint32_t>& screen, const XScreen& size, const Placement& place,
                    int tolerance) {
    const Frame& frame = referenceFrame();
    if (screen.empty() || frame.pixels.empty())
        return false;
    const double scaleX = static_cast<double>(FRAME_WIDTH) / place.width;
    const double scaleY = static_cast<double>(FRAME_HEIGHT) / place.height;
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const uint32_t pixel = screen[static_cast<size_t>(y) * size.width + x];
            const bool inside = x >= place.x && x < place.x + place.width && y >= place.y && y < place.y + place.height;
            if (!inside) {
                if (pixel != 0)
                    return false;
                continue;
            }
            const double sx = (x - place.x + 0.5) * scaleX - 0.5;
            const double sy = FRAME_HEIGHT - 1 - ((place.y + place.height - 1 - y + 0.5) * scaleY - 0.5);
            const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
            const double fx = sx - x0, fy = sy - y0;
            double rgb[3] = {0, 0, 0};
            for (int corner = 0; corner < 4; ++corner) {
                const int cx = std::clamp(x0 + (corner & 1), 0, FRAME_WIDTH - 1);
                const int cy = std::clamp(y0 + (corner >> 1), 0, FRAME_HEIGHT - 1);
                const double weight = ((corner & 1) ? fx : 1 - fx) * ((corner >> 1) ? fy : 1 - fy);
                const uint32_t source = frame.at(cx, cy);
                for (int i = 0; i < 3; ++i)
                    rgb[i] += weight * static_cast<double>(source >> (16 - 8 * i) & 0xff);
            }
            if (channelDifference(pixel, rgb[0], rgb[1], rgb[2]) > tolerance)
                return false;
        }
    }
    return true;
}

struct ShowOnScreen {
    XScreen screen;
    std::vector<std::string> args;
    Placement place;
    int tolerance;
};

void expectTheTitleShown(const ShowOnScreen& run) {
    ASSERT_FALSE(referenceFrame().pixels.empty()) << "the recorder drew no reference frame";
    XvfbServer x(run.screen);
    ASSERT_TRUE(x.started());
    ChildProcess show(SHOW, run.args, {x.env(), "SDL_AUDIODRIVER=dummy"}, "/");
    ASSERT_FALSE(x.waitForWindow(TITLE, START_LIMIT_MS).empty()) << show.errorOutput();
    EXPECT_TRUE(x.waitForScreen(
        [&](const std::vector<uint32_t>& screen) { return showsReference(screen, run.screen, run.place, run.tolerance); },
        STILL_LIMIT_MS))
        << show.errorOutput();
    show.signal(SIGTERM);
    ASSERT_TRUE(show.waitFor(START_LIMIT_MS));
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
}

TEST(ShowOnAnyScreen, TheModeItAsksForShowsTheFramePixelForPixel) {
    expectTheTitleShown({{1024, 768, 24}, {}, {0, 0, 1024, 768}, 0});
}

TEST(ShowOnAnyScreen, AWideScreenShowsTheFrameScaledBetweenBlackBars) {
    expectTheTitleShown({{1920, 1080, 24}, {}, {240, 0, 1440, 1080}, 4});
}

TEST(ShowOnAnyScreen, ASixteenBitScreenShowsTheFrameInItsOwnColours) {
    expectTheTitleShown({{1024, 768, 16}, {}, {0, 0, 1024, 768}, 8});
}

TEST(ShowOnAnyScreen, AWindowOnAWideScreenIsCentredAtTheFramesSize) {
    expectTheTitleShown({{1920, 1080, 24}, {"--window"}, {448, 156, 1024, 768}, 0});
}

}  // namespace
