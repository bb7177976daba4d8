// The cost of presenting the frame scaled: the show's own frames from the
// middle of the show (a mesh in its band, the background, text and credits)
// drawn under X, timed from one finished swap to the next and split into
// drawing and presenting (the copy and the swap, glFinish before and after).
//
//   present_bench COLOR_BITS NAME
//
// runs once on the X display of DISPLAY and prints one line under NAME. On a
// 1024 x 768 screen with 32 bits the display mode is switched; with 16 bits
// (a mode the screen lacks), or on a larger screen, the frame is drawn
// offscreen and scaled at the swap. make bench runs it under xvfb-run on
// each screen, the mode path first and last, so that a drift of the machine
// shows.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/music_player.h"
#include "platform/sdl/sdl_gl_window.h"
#include "scenes/scene_kinds.h"
#include "timeline/main_loop.h"
#include "timeline/timeline.h"

namespace {

constexpr uint32_t FIRST_MS = 20000;   // the tube in its band, text and credits running
constexpr uint32_t FRAME_STEP_MS = 16;
constexpr int WARM_UP_FRAMES = 30;
constexpr int TIMED_FRAMES = 600;

using Clock = std::chrono::steady_clock;

// Music time moves on a fixed step per frame, so both runs draw the same frames.
class SteppedPlayer : public MusicPlayer {
public:
    bool init() override { return true; }
    bool open(const char*) override { return true; }
    const char* lastError() const override { return ""; }
    void play() override {}
    void stop() override {}
    void setPosition(uint32_t) override {}
    void close() override {}
    void setVolume(float) override {}
    void togglePause() override {}
    void setMasterVolume(int) override {}
    bool unsupportedA(int32_t, int32_t, int32_t) override { return false; }
    bool unsupportedB(int32_t) override { return false; }
    void noOperation() override {}
    uint32_t timeMs() override { return FIRST_MS + frame * FRAME_STEP_MS; }
    uint32_t frame = 0;
};

class TimedWindow : public SdlGlWindow {
public:
    explicit TimedWindow(SteppedPlayer& player) : player_(player) { frameMs.reserve(TIMED_FRAMES); }
    bool swapBuffers() override {
        glFinish();
        const Clock::time_point drawn = Clock::now();
        const bool swapped = SdlGlWindow::swapBuffers();
        glFinish();
        const Clock::time_point presented = Clock::now();
        if (player_.frame >= WARM_UP_FRAMES) {
            frameMs.push_back(std::chrono::duration<double, std::milli>(presented - last_).count());
            presentMs.push_back(std::chrono::duration<double, std::milli>(presented - drawn).count());
        }
        last_ = presented;
        ++player_.frame;
        return swapped;
    }
    uint32_t pumpMessages() override {
        return SdlGlWindow::pumpMessages() | (frameMs.size() >= TIMED_FRAMES ? PUMP_QUIT : 0);
    }
    std::vector<double> frameMs;
    std::vector<double> presentMs;

private:
    SteppedPlayer& player_;
    Clock::time_point last_ = Clock::now();
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double frameMs = 0, presentMs = 0;
};

bool timeFrames(uint8_t colorBits, Figures& figures) {
    // The real display, whatever a test environment asked for.
    unsetenv("SDL_VIDEODRIVER");
    DisplayConfig config;
    config.colorBits = colorBits;
    const AppInfo app{nullptr, "present_bench"};
    SteppedPlayer player;
    TimedWindow window(player);
    const bool opened = window.init(config, app);
    if (opened) {
        setFixedGlState(fixedGlFrame(config));
        runMainLoop(window, player, showSceneFactory());
    } else {
        std::fprintf(stderr, "present_bench: %s\n", lastWindowError());
    }
    window.shutdown(config, app);
    if (window.frameMs.empty())
        return false;
    figures.frameMs = median(window.frameMs);
    figures.presentMs = median(window.presentMs);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: present_bench COLOR_BITS NAME\n");
        return 2;
    }
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "present_bench: no X display; run it under xvfb-run, as make bench does\n");
        return 1;
    }
    const int colorBits = std::atoi(argv[1]);
    Figures figures;
    if (colorBits <= 0 || !timeFrames(static_cast<uint8_t>(colorBits), figures))
        return 1;
    std::printf("present_bench: %-31s frame %6.2f ms, of which presenting %5.2f ms"
                " (medians of %d frames from %u ms of music)\n",
                argv[2], figures.frameMs, figures.presentMs, TIMED_FRAMES, FIRST_MS);
    return 0;
}
