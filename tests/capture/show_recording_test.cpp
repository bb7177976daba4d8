// The whole show through the recorder, in this process, with the real data:
// every frame is checked as it is drawn (GL errors, heap allocations, finite
// meshes) and chosen frames are looked at.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/capture/frame_sink.h"
#include "app/capture/recording.h"
#include "scenes/bump_mesh_scene.h"
#include "tests/support/alloc_counter.h"
#include "timeline/timeline.h"

namespace {

const std::string DATA = DATA_DIR;
const std::string PROJECT = DATA.substr(0, DATA.rfind('/'));

constexpr FrameRate TEST_RATE{20, 1};
constexpr uint32_t FRAME_MS = 50;  // one frame at TEST_RATE
constexpr int SPHERE_SLOT = 4;
constexpr int TUBE_SLOT = 5;
// The letterbox band of the mesh scenes, in rows from the top of the frame.
constexpr int BAND_TOP_ROW = FRAME_HEIGHT - 640;
constexpr int BAND_BOTTOM_ROW = FRAME_HEIGHT - 128;

struct Box {
    int left, top, right, bottom;  // pixels, top row first, right and bottom excluded
};
constexpr Box WHOLE_FRAME{0, 0, FRAME_WIDTH, FRAME_HEIGHT};
constexpr Box CENTRE{FRAME_WIDTH / 4, FRAME_HEIGHT / 4, FRAME_WIDTH * 3 / 4, FRAME_HEIGHT * 3 / 4};
constexpr Box ABOVE_BAND{0, 0, FRAME_WIDTH, BAND_TOP_ROW};
constexpr Box BELOW_BAND{0, BAND_BOTTOM_ROW, FRAME_WIDTH, FRAME_HEIGHT};
// Where the meshes sit in the band, left of the text slides.
constexpr Box MESH_AREA{0, BAND_TOP_ROW + 32, 448, BAND_BOTTOM_ROW - 32};
// Hardly a pixel of the background there is brighter; most of a mesh is.
constexpr int MESH_BRIGHTNESS = 50;

int brightest(const uint8_t* rgb, const Box& box) {
    int most = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        const uint8_t* row = rgb + y * FRAME_ROW_BYTES;
        for (int x = box.left * FRAME_CHANNELS; x < box.right * FRAME_CHANNELS; ++x)
            most = std::max(most, int{row[x]});
    }
    return most;
}

// Share of the box's pixels with a channel above the level.
double brightShare(const uint8_t* rgb, const Box& box, int level) {
    long bright = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        const uint8_t* pixel = rgb + y * FRAME_ROW_BYTES + box.left * FRAME_CHANNELS;
        for (int x = box.left; x < box.right; ++x, pixel += FRAME_CHANNELS)
            bright += std::max({pixel[0], pixel[1], pixel[2]}) > level ? 1 : 0;
    }
    return static_cast<double>(bright) / ((box.right - box.left) * (box.bottom - box.top));
}

uint64_t frameHash(const uint8_t* rgb) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (size_t i = 0; i < FRAME_BYTES; ++i)
        hash = (hash ^ rgb[i]) * 1099511628211ull;
    return hash;
}

bool meshIsFinite(int slot) {
    const auto* mesh = dynamic_cast<const BumpMeshScene*>(sceneTimeline.sceneSlots[slot]);
    if (mesh == nullptr)
        return true;
    for (const MeshVertex& vertex : mesh->vertices) {
        const float* value = reinterpret_cast<const float*>(&vertex);
        for (size_t i = 0; i < sizeof(MeshVertex) / sizeof(float); ++i) {
            if (!std::isfinite(value[i]))
                return false;
        }
    }
    return true;
}

// What a frame at a watched time showed.
struct Look {
    uint32_t timeMs;
    bool seen = false;
    int whole = 0, centre = 0, aboveBand = 0, belowBand = 0;
    double mesh = 0.0;
    uint64_t hash = 0;
};

// Checks each frame as the recorder hands it over, allocating nothing itself.
class ShowChecker : public FrameSink {
public:
    ShowChecker(const AllocationCounter& counter, uint32_t frameCount, std::vector<Look> watched)
        : looks(std::move(watched)), audioPeak(frameCount, -1), masterVolume(frameCount, -1), counter_(counter) {}

    bool open() override { return true; }
    bool finish() override { return true; }
    std::string abandon() override { return ""; }

    bool writeFrame(const CapturedFrame& frame) override {
        const GLenum error = glGetError();
        if (error != GL_NO_ERROR && glErrors++ == 0) {
            firstGlError = error;
            firstGlErrorMs = frame.timeMs;
        }
        const long allocations = counter_.count();
        if (frames > 0 && allocations != lastAllocations && allocatingFrames++ == 0)
            firstAllocationMs = frame.timeMs;
        lastAllocations = allocations;
        if ((!meshIsFinite(SPHERE_SLOT) || !meshIsFinite(TUBE_SLOT)) && nonFiniteFrames++ == 0)
            firstNonFiniteMs = frame.timeMs;
        for (Look& look : looks) {
            if (look.timeMs != frame.timeMs)
                continue;
            look.seen = true;
            look.whole = brightest(frame.rgb, WHOLE_FRAME);
            look.centre = brightest(frame.rgb, CENTRE);
            look.aboveBand = brightest(frame.rgb, ABOVE_BAND);
            look.belowBand = brightest(frame.rgb, BELOW_BAND);
            look.mesh = brightShare(frame.rgb, MESH_AREA, MESH_BRIGHTNESS);
            look.hash = frameHash(frame.rgb);
        }
        current_ = frame.index;
        masterVolume[current_] = frame.masterVolume;
        lastTimeMs = frame.timeMs;
        ++frames;
        return true;
    }

    bool writeAudio(const int16_t* samples, size_t count) override {
        int peak = 0;
        for (size_t i = 0; i < count * 2; ++i)
            peak = std::max(peak, std::abs(int{samples[i]}));
        audioPeak[current_] = peak;
        audioFrames += count;
        return true;
    }

    const Look& look(uint32_t timeMs) const {
        return *std::find_if(looks.begin(), looks.end(), [&](const Look& l) { return l.timeMs == timeMs; });
    }

    uint32_t frames = 0;
    uint32_t lastTimeMs = 0;
    int glErrors = 0;
    GLenum firstGlError = GL_NO_ERROR;
    uint32_t firstGlErrorMs = 0;
    int allocatingFrames = 0;
    uint32_t firstAllocationMs = 0;
    int nonFiniteFrames = 0;
    uint32_t firstNonFiniteMs = 0;
    std::vector<Look> looks;
    std::vector<int> audioPeak;     // per recorded frame; -1: no audio came
    std::vector<int> masterVolume;  // per recorded frame, as its sound was cut
    uint64_t audioFrames = 0;

private:
    const AllocationCounter& counter_;
    long lastAllocations = 0;
    uint32_t current_ = 0;
};

class ShowRecording : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(chdir(PROJECT.c_str()), 0) << PROJECT; }
};

void expectCleanFrames(const ShowChecker& checker) {
    EXPECT_EQ(checker.glErrors, 0) << "first GL error 0x" << std::hex << checker.firstGlError << std::dec
                                   << " at " << checker.firstGlErrorMs << " ms";
    EXPECT_EQ(checker.allocatingFrames, 0) << "first allocating frame at " << checker.firstAllocationMs << " ms";
    EXPECT_EQ(checker.nonFiniteFrames, 0) << "first non-finite mesh at " << checker.firstNonFiniteMs << " ms";
}

TEST_F(ShowRecording, EveryFrameOfTheShowAtTwentyFramesASecond) {
    RecordingPlan plan;
    plan.schedule = FrameSchedule{0, TEST_RATE, frameCountBetween(0, SHOW_END_MS, TEST_RATE)};
    AllocationCounter counter;
    ShowChecker checker(counter, plan.schedule.frameCount, {{0}, {5750}, {20000}, {50000}});
    ASSERT_EQ(record(plan, checker, nullptr), 0);

    EXPECT_EQ(checker.frames, 3460u);
    EXPECT_EQ(checker.lastTimeMs, 172950u);
    expectCleanFrames(checker);
    EXPECT_EQ(checker.look(0).whole, 0) << "the first frame draws nothing";
    EXPECT_GE(checker.look(5750).centre, 200) << "the title at its brightest";
    EXPECT_GT(checker.look(20000).aboveBand, 40) << "background above the band";
    EXPECT_GT(checker.look(20000).belowBand, 40) << "background below the band";
    EXPECT_GT(checker.look(20000).mesh, 0.3) << "the tube in the band";
    EXPECT_GT(checker.look(50000).mesh, 0.3) << "the sphere in the band";

    // A recording that starts later draws the very same frames.
    for (uint32_t timeMs : {20000u, 50000u}) {
        RecordingPlan late;
        late.schedule = FrameSchedule{timeMs, TEST_RATE, 1};
        ShowChecker single(counter, 1, {{timeMs}});
        ASSERT_EQ(record(late, single, nullptr), 0);
        EXPECT_EQ(single.look(timeMs).hash, checker.look(timeMs).hash) << "from " << timeMs;
    }

    // Sound for exactly the recorded range, the music audible somewhere.
    EXPECT_EQ(checker.audioFrames, uint64_t{SHOW_END_MS} * 44100 / 1000);
    EXPECT_GT(*std::max_element(checker.audioPeak.begin(), checker.audioPeak.end()), 1000);
}

// From 58 s: the lead-in passes leave the show as a run from 0 would.
TEST_F(ShowRecording, EscapeAtSixtySecondsFadesShowsTheLogoAndQuits) {
    constexpr uint32_t FROM_MS = 58000;
    constexpr uint32_t ESCAPE_MS = 60000;
    constexpr uint32_t FADE_END_MS = ESCAPE_MS + 2500;
    RecordingPlan plan;
    plan.schedule = FrameSchedule{FROM_MS, TEST_RATE, frameCountBetween(FROM_MS, 90000, TEST_RATE)};
    plan.escape = true;
    plan.escapeAtMs = ESCAPE_MS;
    AllocationCounter counter;
    ShowChecker checker(counter, plan.schedule.frameCount, {{59000}, {FADE_END_MS}, {69500}});
    ASSERT_EQ(record(plan, checker, nullptr), 0);

    expectCleanFrames(checker);
    // The logo asks to quit on the first frame past 95 % of its 14 s.
    EXPECT_GT(checker.lastTimeMs, 75800u);
    EXPECT_LE(checker.lastTimeMs, 75850u);
    EXPECT_GT(checker.look(59000).whole, 40);
    EXPECT_LE(checker.look(FADE_END_MS).whole, 1) << "black at the end of the fade";
    EXPECT_GE(checker.look(69500).centre, 200) << "the logo at its brightest";

    // The fade takes the sound down with the picture, (1 - p) x 255 on each
    // of its frames, and it stays down: the last frame lands on its end.
    const uint32_t escapeFrame = (ESCAPE_MS - FROM_MS) / FRAME_MS;
    const uint32_t fadeEndFrame = (FADE_END_MS - FROM_MS) / FRAME_MS;
    ASSERT_LT(fadeEndFrame, checker.frames);
    for (uint32_t n = escapeFrame; n <= fadeEndFrame; ++n) {
        const uint32_t timeMs = FROM_MS + n * FRAME_MS;
        const float progress = static_cast<float>((timeMs - ESCAPE_MS) / double{FADE_END_MS - ESCAPE_MS});
        EXPECT_EQ(checker.masterVolume[n], static_cast<int>((1.0 - double{progress}) * 255)) << "at " << timeMs;
    }
    EXPECT_GT(*std::max_element(checker.audioPeak.begin(), checker.audioPeak.begin() + 40), 1000);
    for (uint32_t n = fadeEndFrame; n < checker.frames; ++n)
        EXPECT_EQ(checker.audioPeak[n], 0) << "frame " << n;
}

}  // namespace
