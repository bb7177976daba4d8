// The viewer's keys in the program itself: the real run sequence, window
// (SDL's offscreen driver) and streamed music (SDL's disk driver, the music's
// own clock), with keys put in the window's event queue as a keyboard would.
// Frames are compared with the recorder's, byte for byte; the sound with the
// track's own samples.
#include <SDL.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/run_sequence.h"
#include "audio/track_decoder.h"
#include "base/factory_kind.h"
#include "content/frame_size.h"
#include "content/show_data.h"
#include "gfx/gl_subset.h"
#include "platform/quit_request.h"
#include "platform/sdl/sdl_gl_window.h"
#include "tests/pictures/png_read_back.h"
#include "tests/support/captured_sound.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_folder.h"

namespace {

const std::string CAPTURE = CAPTURE_BINARY;
const std::string PROJECT = PROJECT_DIR;

constexpr int SAMPLE_RATE = 44100;
constexpr int CHANNELS = 2;
constexpr int RECORDER_LIMIT_MS = 120000;
// Frames before the pause: the title has drawn by then.
constexpr int FRAMES_BEFORE_PAUSE = 10;
constexpr double PAUSED_S = 0.6;
// Room for the device's latency and the fade-out at either end of the pause.
constexpr double PAUSE_MARGIN_S = 0.15;
constexpr uint32_t HEARD_AFTER_RESUME_MS = 1500;
// The fade-in after a move (RAMP_FRAMES of the sound layer) and then some.
constexpr size_t RAMP_ALLOWANCE = 512;
constexpr size_t COMPARED_FRAMES = SAMPLE_RATE / 2;
constexpr size_t FRAME_ROW_BYTES = size_t{FRAME_WIDTH} * 3;  // RGB, as the recorder writes PNGs
constexpr size_t FRAME_BYTES = FRAME_ROW_BYTES * FRAME_HEIGHT;

void pressKey(SDL_Keycode key) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
}

// What the viewer did and saw, frame by frame.
class ViewerScript {
public:
    MusicPlayer* player = nullptr;
    const CapturedSound* sound = nullptr;

    std::vector<uint8_t> pausedFirst, pausedLast, seekFrame, stepFrame;
    uint32_t pausedMs = 0, pausedLastMs = 0, seekMs = 0, stepMs = 0;
    double pausedAtS = 0.0, resumedAtS = 0.0;

    // Called with each frame before its swap, so the keys it presses reach
    // that frame's pump.
    void frameDrawn(const std::vector<uint8_t>& frame) {
        const uint32_t now = player->timeMs();
        ++frames_;
        switch (stage_) {
        case 0:
            if (frames_ == FRAMES_BEFORE_PAUSE) {
                pressKey(SDLK_SPACE);
                ++stage_;
            }
            break;
        case 1:
            // Read once the last frame's pump has paused the player, so that
            // the quiet stretch starts after the pause however late that ran.
            pausedAtS = sound->heardSeconds();
            pausedFirst = frame;
            pausedMs = now;
            ++stage_;
            break;
        case 2:
            if (sound->heardSeconds() > pausedAtS + PAUSED_S) {
                pausedLast = frame;
                pausedLastMs = now;
                pressKey(SDLK_PAGEDOWN);
                ++stage_;
            }
            break;
        case 3:
            seekFrame = frame;
            seekMs = now;
            pressKey(SDLK_PERIOD);
            ++stage_;
            break;
        case 4:
            stepFrame = frame;
            stepMs = now;
            resumedAtS = sound->heardSeconds();
            pressKey(SDLK_SPACE);
            ++stage_;
            break;
        default:
            if (now > stepMs + HEARD_AFTER_RESUME_MS)
                postQuitRequest();
        }
    }

private:
    int frames_ = 0;
    int stage_ = 0;
};

// The platform's window, each frame read back top row first.
class WatchedWindow : public SdlGlWindow {
public:
    explicit WatchedWindow(ViewerScript& script) : script_(script), frame_(FRAME_BYTES), readBack_(FRAME_BYTES) {}

    bool swapBuffers() override {
        glReadPixels(0, 0, FRAME_WIDTH, FRAME_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, readBack_.data());
        for (int row = 0; row < FRAME_HEIGHT; ++row)
            std::copy_n(&readBack_[(FRAME_HEIGHT - 1 - row) * FRAME_ROW_BYTES], FRAME_ROW_BYTES,
                        &frame_[row * FRAME_ROW_BYTES]);
        script_.frameDrawn(frame_);
        return SdlGlWindow::swapBuffers();
    }

private:
    ViewerScript& script_;
    std::vector<uint8_t> frame_;
    std::vector<uint8_t> readBack_;
};

std::vector<uint8_t> recorderFrame(uint32_t atMs) {
    const std::string png = makeScratchFolder("pelmira-viewer") + "/frame.png";
    ChildProcess capture(CAPTURE, {"--at", std::to_string(atMs), png}, {}, PROJECT);
    EXPECT_TRUE(capture.waitFor(RECORDER_LIMIT_MS));
    EXPECT_EQ(capture.status(), 0) << capture.errorOutput();
    ReadBackPng image;
    std::string error;
    EXPECT_TRUE(readBackPng(png, &image, &error)) << error;
    std::remove(png.c_str());
    rmdir(png.substr(0, png.rfind('/')).c_str());
    return image.rows;
}

size_t frameAt(double seconds) { return static_cast<size_t>(seconds * SAMPLE_RATE); }

TEST(ViewerKeysTest, PauseIsStillSeekAndStepDrawTheRecordersFramesAndPlayTheTrackFromThere) {
    ASSERT_EQ(chdir(PROJECT.c_str()), 0);
    const CapturedSound sound;
    for (const std::string& entry : sound.env()) {
        const size_t equals = entry.find('=');
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);

    ViewerScript script;
    script.sound = &sound;
    ShowParts parts;
    parts.createWindow = [&script](int kind) -> GlWindow* {
        return kind == STANDARD_KIND ? new WatchedWindow(script) : nullptr;
    };
    parts.createPlayer = [&script](int kind) {
        script.player = createMusicPlayer(kind);
        return script.player;
    };
    ASSERT_EQ(runShow(parts), 0);
    const std::vector<int16_t> heard = sound.samples();

    // Paused: the picture and the position stand still, the sound is silent.
    EXPECT_EQ(script.pausedLastMs, script.pausedMs);
    EXPECT_TRUE(script.pausedLast == script.pausedFirst) << "the picture moved while paused";
    const size_t quietFrom = frameAt(script.pausedAtS + PAUSE_MARGIN_S) * CHANNELS;
    const size_t quietTo = frameAt(script.pausedAtS + PAUSED_S - PAUSE_MARGIN_S) * CHANNELS;
    ASSERT_LT(quietTo, heard.size());
    EXPECT_TRUE(std::all_of(heard.begin() + quietFrom, heard.begin() + quietTo, [](int16_t s) { return s == 0; }))
        << "sound while paused";

    // Page Down: 30 s on; full stop: the next frame of a 60 fps recording.
    EXPECT_EQ(script.seekMs, script.pausedMs + 30000);
    EXPECT_TRUE(script.seekFrame == recorderFrame(script.seekMs)) << "the frame after the seek to " << script.seekMs;
    EXPECT_GT(script.stepMs, script.seekMs);
    EXPECT_LE(script.stepMs, script.seekMs + 17);
    const uint32_t stepFrame = (script.stepMs * 60 + 999) / 1000;
    EXPECT_EQ(stepFrame * 1000 / 60, script.stepMs) << "a step lands on a frame time of a 60 fps recording";
    EXPECT_TRUE(script.stepFrame == recorderFrame(script.stepMs)) << "the frame after the step to " << script.stepMs;

    // Resumed: the track's own samples from the step's position on.
    DecodedTrack track;
    std::string error;
    ASSERT_TRUE(decodeTrack(MUSIC_FILE, track, error)) << error;
    const size_t from = (uint64_t{script.stepMs} * SAMPLE_RATE + 999) / 1000 + RAMP_ALLOWANCE;
    ASSERT_LT((from + COMPARED_FRAMES) * CHANNELS, track.samples.size());
    const std::vector<int16_t> expected(track.samples.begin() + from * CHANNELS,
                                        track.samples.begin() + (from + COMPARED_FRAMES) * CHANNELS);
    const auto found = std::search(heard.begin() + frameAt(script.resumedAtS) * CHANNELS, heard.end(),
                                   expected.begin(), expected.end());
    EXPECT_NE(found, heard.end()) << "the track's samples from " << script.stepMs << " ms";
    EXPECT_EQ((found - heard.begin()) % CHANNELS, 0);
}

}  // namespace
