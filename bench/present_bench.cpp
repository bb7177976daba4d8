// The cost of presenting the frame scaled: the show's own frames from the
// middle of the show (a mesh in its band, the background, text and credits)
// drawn under X at 1024 x 768, where the display mode is switched, and at
// 1920 x 1080, where the frame is drawn offscreen and scaled at the swap.
// Each frame is timed from one finished swap to the next (glFinish after
// each), on the same machine in the same run.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/music_player.h"
#include "platform/gl_window.h"
#include "scenes/scene_kinds.h"
#include "tests/support/xvfb_server.h"
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
    void play() override {}
    void stop() override {}
    void close() override {}
    void setVolume(float) override {}
    uint32_t timeMs() override { return FIRST_MS + frame * FRAME_STEP_MS; }
    uint32_t frame = 0;
};

class TimedWindow : public GlWindow {
public:
    explicit TimedWindow(SteppedPlayer& player) : player_(player) { frameMs.reserve(TIMED_FRAMES); }
    bool swapBuffers() override {
        const bool swapped = GlWindow::swapBuffers();
        glFinish();
        const Clock::time_point now = Clock::now();
        if (player_.frame >= WARM_UP_FRAMES)
            frameMs.push_back(std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
        ++player_.frame;
        return swapped;
    }
    uint32_t pumpMessages() override {
        return GlWindow::pumpMessages() | (frameMs.size() >= TIMED_FRAMES ? PUMP_QUIT : 0);
    }
    std::vector<double> frameMs;

private:
    SteppedPlayer& player_;
    Clock::time_point last_ = Clock::now();
};

struct Figures {
    double median = 0, mean = 0;
};

bool timeFrames(const XScreen& screen, Figures& figures) {
    XvfbServer x(screen);
    if (!x.started())
        return false;
    setenv("DISPLAY", x.env().substr(sizeof "DISPLAY=" - 1).c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    DisplayConfig config;
    const AppInfo app{nullptr, "present_bench"};
    SteppedPlayer player;
    TimedWindow window(player);
    const bool opened = window.init(config, app);
    if (opened)
        runMainLoop(window, player, showSceneFactory());
    else
        std::fprintf(stderr, "present_bench: %s\n", lastWindowError());
    window.shutdown(config, app);
    if (window.frameMs.empty())
        return false;
    std::vector<double> sorted = window.frameMs;
    std::sort(sorted.begin(), sorted.end());
    figures.median = sorted[sorted.size() / 2];
    double sum = 0;
    for (double ms : sorted)
        sum += ms;
    figures.mean = sum / static_cast<double>(sorted.size());
    return true;
}

}  // namespace

int main() {
    Figures mode, scaled;
    if (!timeFrames(XScreen{1024, 768, 24}, mode) || !timeFrames(XScreen{1920, 1080, 24}, scaled))
        return 1;
    std::printf("present_bench: %d frames from %u ms of music, each drawn and presented\n", TIMED_FRAMES, FIRST_MS);
    std::printf("  mode path   (1024x768 screen):  median %.2f ms, mean %.2f ms\n", mode.median, mode.mean);
    std::printf("  scaled path (1920x1080 screen): median %.2f ms, mean %.2f ms (%+.1f %% median)\n", scaled.median,
                scaled.mean, (scaled.median / mode.median - 1.0) * 100.0);
    return 0;
}
