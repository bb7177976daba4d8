// The cost of presenting the frame scaled: the show's own frames from the
// middle of the show (a mesh in its band, the background, text and credits)
// drawn under X at 1024 x 768, where the display mode is switched, and at
// 1920 x 1080, where the frame is drawn offscreen and scaled at the swap.
// Each frame is timed from one finished swap to the next, split into drawing
// and presenting (the copy and the swap, glFinish before and after), on the
// same machine in the same run. The scaled path also runs on the 1024 x 768
// screen (a 16-bit mode asked for, which it lacks), where only the offscreen
// frame and its copy differ from the mode path.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/process_state.h"
#include "audio/music_player.h"
#include "platform/sdl_gl_window.h"
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

bool timeFrames(const XScreen& screen, uint8_t colorBits, Figures& figures) {
    XvfbServer x(screen);
    if (!x.started())
        return false;
    setenv("DISPLAY", x.env().substr(sizeof "DISPLAY=" - 1).c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    // Each run starts from the state a process starts with.
    resetProcessState();
    DisplayConfig config;
    config.colorBits = colorBits;
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
    figures.frameMs = median(window.frameMs);
    figures.presentMs = median(window.presentMs);
    return true;
}

struct Run {
    const char* name;
    XScreen screen;
    uint8_t colorBits;
};

constexpr uint8_t MODE_BITS = 32;
constexpr uint8_t MISSING_MODE_BITS = 16;

}  // namespace

int main() {
    // The mode path runs first and last, so a drift of the machine shows.
    const Run runs[] = {
        {"mode path, 1024x768 screen", {1024, 768, 24}, MODE_BITS},
        {"scaled path, 1024x768 screen", {1024, 768, 24}, MISSING_MODE_BITS},
        {"scaled path, 1920x1080 screen", {1920, 1080, 24}, MODE_BITS},
        {"mode path, 1024x768 again", {1024, 768, 24}, MODE_BITS},
    };
    std::printf("present_bench: medians of %d frames from %u ms of music\n", TIMED_FRAMES, FIRST_MS);
    for (const Run& run : runs) {
        Figures figures;
        if (!timeFrames(run.screen, run.colorBits, figures))
            return 1;
        std::printf("  %-31s frame %6.2f ms, of which presenting %5.2f ms\n", run.name, figures.frameMs,
                    figures.presentMs);
    }
    return 0;
}
