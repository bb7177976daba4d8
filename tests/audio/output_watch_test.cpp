// The output's watch, silent pace and hand-overs on a clock the test steps
// itself: a device the test calls back by hand, the output turned by hand,
// and the position read every frame, all on the test's thread. Only the
// decoder runs on a thread of its own, and each callback first waits for
// its ring to be full, so every run is the same run whatever the machine.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/sdl/sdl_sound_internal.h"
#include "audio/stream_music_player.h"
#include "audio/track_decoder.h"
#include "base/program_message.h"
#include "tests/audio/audio_fixtures.h"

using namespace sound_internal;

namespace {

constexpr int MIX_RATE = 44100;
constexpr int CHANNELS = 128;
constexpr uint64_t TICKS_PER_MS = 1000;
constexpr uint64_t TICKS_PER_SECOND = 1000 * TICKS_PER_MS;
constexpr uint64_t PERIOD_TICKS = uint64_t{REQUESTED_PERIOD_FRAMES} * TICKS_PER_SECOND / MIX_RATE;
constexpr double PERIOD_MS = double{REQUESTED_PERIOD_FRAMES} * 1000.0 / MIX_RATE;
constexpr uint64_t FRAME_TICKS = TICKS_PER_SECOND / 60;
// What the device holds beyond the period it is handed (as the layer assumes).
constexpr double LATENCY_MS = 2 * PERIOD_MS;
// Where the clock's line may stand from one hand-over to the next: the first
// period's phase, and the device's against the silent pace's after a hand-over.
constexpr double LINE_SLACK_MS = 2 * PERIOD_MS;
constexpr uint64_t STOPPED_TICKS = 2 * TICKS_PER_SECOND;
constexpr uint64_t SOUND_BACK_TICKS = 100 * TICKS_PER_MS;
constexpr int16_t MUSIC_LEVEL = FIXTURE_AMPLITUDE / 2;
constexpr SDL_AudioDeviceID FAKE_DEVICE = 7;

// The device and the clock the test drives.
struct FakeDevice {
    uint64_t clock = 0;
    bool opens = true;     // open() finds a device
    bool plays = true;     // its status reads as playing
    bool callsBack = true; // it calls back (false: stalled)
    bool open = false;
    int openings = 0;
    int closings = 0;
};
FakeDevice fake;

SDL_AudioDeviceID openFake(int&, bool) {
    ++fake.openings;
    if (!fake.opens) {
        SDL_SetError("the test has no device");
        return 0;
    }
    fake.open = true;
    return FAKE_DEVICE;
}
bool fakePlaying(SDL_AudioDeviceID) { return fake.plays; }
void closeFake(SDL_AudioDeviceID) {
    ++fake.closings;
    fake.open = false;
}
void releaseFake() {}
uint64_t fakeNow() { return fake.clock; }
uint64_t fakeFrequency() { return TICKS_PER_SECOND; }

constexpr OutputDevice fakeOutputDevice() {
    OutputDevice device{};
    device.open = openFake;
    device.playing = fakePlaying;
    device.close = closeFake;
    device.release = releaseFake;
    device.now = fakeNow;
    device.frequency = fakeFrequency;
    return device;
}
constexpr OutputDevice FAKE_OUTPUT = fakeOutputDevice();

struct Reading {
    uint64_t at;
    uint32_t positionMs;
};

// One period as the device played it.
struct Period {
    uint64_t at;
    std::vector<int16_t> samples;
    bool music() const {
        return std::any_of(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) > MUSIC_LEVEL; });
    }
};

class SteppedOutput : public ::testing::Test {
protected:
    void SetUp() override { fake = FakeDevice{}; }
    void TearDown() override { soundClose(); }

    void start() {
        ASSERT_TRUE(startSound(MIX_RATE, CHANNELS, 0, FAKE_OUTPUT, false));
        soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
        stream_ = soundStreamOpen(longSweepTrack().c_str(), 0, 0);
        ASSERT_NE(stream_, nullptr);
        std::string error;
        ASSERT_TRUE(decodeTrack(longSweepTrack().c_str(), track_, error)) << error;
        nextTurn_ = turnOutput(fake.clock);
        nextCallback_ = nextRead_ = fake.clock;
        playedAt_ = fake.clock;
        soundStreamPlay(0, stream_);
    }

    // Runs the world for a while: the device's callbacks every period while
    // it is open and calls back, the output's turns when due, and a read of
    // the position every frame.
    void runFor(uint64_t ticks) {
        const uint64_t until = fake.clock + ticks;
        for (;;) {
            const bool callback = fake.open && fake.callsBack;
            const uint64_t next = std::min({nextTurn_, nextRead_, callback ? nextCallback_ : UINT64_MAX});
            if (next > until)
                break;
            fake.clock = next;
            if (next == nextTurn_) {
                waitForTheDecoder();
                nextTurn_ = turnOutput(next);
            } else if (next == nextRead_) {
                readings_.push_back(Reading{next, soundStreamTimeMs(stream_)});
                nextRead_ += FRAME_TICKS;
            } else {
                callBack();
                nextCallback_ += PERIOD_TICKS;
            }
        }
        fake.clock = until;
        nextCallback_ = std::max(nextCallback_, until);
    }

    // The whole process stopped: nothing runs while the clock goes on.
    void stopProcessFor(uint64_t ticks) {
        fake.clock += ticks;
        nextTurn_ = nextRead_ = nextCallback_ = fake.clock;
    }

    // The position keeps to the clock's line since the play, less the time
    // the process stood still, in the readings [from, to).
    std::string offTheLine(double stoodStillMs, size_t from = 0, size_t to = SIZE_MAX) const {
        for (size_t i = from; i < std::min(to, readings_.size()); ++i) {
            const double expected = std::max(0.0, msSince(playedAt_, readings_[i].at) - stoodStillMs - LATENCY_MS);
            if (std::abs(readings_[i].positionMs - expected) > LINE_SLACK_MS)
                return "at " + std::to_string(msSince(playedAt_, readings_[i].at)) + " ms the position read " +
                       std::to_string(readings_[i].positionMs) + " ms, " + std::to_string(expected) + " ms expected";
        }
        return "";
    }

    // Never backwards, and never on by more than the clock between readings
    // and a period.
    std::string unevenStep() const {
        for (size_t i = 1; i < readings_.size(); ++i) {
            const double step = static_cast<double>(readings_[i].positionMs) - readings_[i - 1].positionMs;
            if (step < 0 || step > msSince(readings_[i - 1].at, readings_[i].at) + PERIOD_MS)
                return "the position went from " + std::to_string(readings_[i - 1].positionMs) + " to " +
                       std::to_string(readings_[i].positionMs) + " ms";
        }
        return "";
    }

    // The first period with music from a time on; null when none.
    const Period* firstMusicFrom(uint64_t at) const {
        for (const Period& period : periods_) {
            if (period.at >= at && period.music())
                return &period;
        }
        return nullptr;
    }

    // Where in the track a period's samples from frame `from` on stand; -1
    // when they stand nowhere.
    int64_t trackFrameOf(const Period& period, int from) const {
        const size_t values = period.samples.size() - size_t(from) * TRACK_CHANNELS;
        const int16_t* wanted = period.samples.data() + size_t(from) * TRACK_CHANNELS;
        for (size_t frame = 0; (frame + size_t(REQUESTED_PERIOD_FRAMES)) * TRACK_CHANNELS <= track_.samples.size();
             ++frame) {
            if (std::equal(wanted, wanted + values, track_.samples.data() + frame * TRACK_CHANNELS))
                return static_cast<int64_t>(frame) - from;
        }
        return -1;
    }

    static double msSince(uint64_t from, uint64_t to) { return static_cast<double>(to - from) / TICKS_PER_MS; }

    SoundStream* stream_ = nullptr;
    DecodedTrack track_;
    uint64_t playedAt_ = 0;
    std::vector<Reading> readings_;
    std::vector<Period> periods_;

private:
    // The decoder keeps the ring full in real time; the stepped clock runs
    // faster, so whatever consumes waits for it first.
    void waitForTheDecoder() {
        ASSERT_TRUE(waitUntil(
            [] {
                // The output's part of the one stream open.
                const OutputStream& stream = registeredStream(0);
                const uint64_t ahead = stream.blocksWritten.load() - stream.blocksRead.load();
                return ahead >= RING_BLOCKS - SEEK_ROOM_BLOCKS ||
                       stream.endedEpoch.load() == static_cast<int64_t>(stream.epoch.load());
            },
            REFILL_CEILING_MS));
    }

    void callBack() {
        waitForTheDecoder();
        Period period{fake.clock, std::vector<int16_t>(size_t{REQUESTED_PERIOD_FRAMES} * OUTPUT_CHANNELS)};
        deviceCallback(nullptr, reinterpret_cast<Uint8*>(period.samples.data()),
                       static_cast<int>(period.samples.size() * sizeof(int16_t)));
        periods_.push_back(std::move(period));
    }

    uint64_t nextTurn_ = 0;
    uint64_t nextRead_ = 0;
    uint64_t nextCallback_ = 0;
};

TEST_F(SteppedOutput, AStalledDeviceLosesNoTimeAndPlaysAgainFromThePositionThenFadingIn) {
    testing::internal::CaptureStderr();
    start();
    runFor(TICKS_PER_SECOND);
    fake.callsBack = false;
    runFor(STOPPED_TICKS);
    EXPECT_TRUE(output.detached.load()) << "the silent pace took over";
    const uint64_t back = fake.clock;
    const size_t readBack = readings_.size();
    fake.callsBack = true;
    runFor(TICKS_PER_SECOND / 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a stall is no loss";

    EXPECT_EQ(offTheLine(0.0), "") << "the silent pace lost time, or the device did after it";
    EXPECT_EQ(unevenStep(), "");
    const Period* music = firstMusicFrom(back);
    ASSERT_NE(music, nullptr) << "the device stayed silent";
    EXPECT_LE(music->at - back, SOUND_BACK_TICKS);
    for (int frame = 0; frame < RAMP_FRAMES; ++frame)
        ASSERT_LE(std::abs(music->samples[size_t(frame) * OUTPUT_CHANNELS]), FIXTURE_AMPLITUDE * frame / RAMP_FRAMES + 1)
            << "frame " << frame << " of the first period back does not fade in";
    // It plays the music the show's position stands at: what the silent pace
    // would have handed on next, which the device holds for its latency.
    const int64_t at = trackFrameOf(*music, RAMP_FRAMES);
    ASSERT_GE(at, 0) << "the first period back is not the track";
    const double positionThen = readings_[readBack].positionMs + msSince(readings_[readBack].at, music->at);
    EXPECT_NEAR(static_cast<double>(at) * 1000.0 / MIX_RATE, positionThen + LATENCY_MS, LINE_SLACK_MS);
}

// Ctrl-Z then fg, a debugger, a frozen machine: every thread stands still,
// the device's too, while the clock goes on.
TEST_F(SteppedOutput, AStoppedProcessGoesOnFromWhereItStoodWithSound) {
    testing::internal::CaptureStderr();
    start();
    runFor(TICKS_PER_SECOND);
    const size_t lastBefore = periods_.size() - 1;
    const size_t readAfter = readings_.size();
    stopProcessFor(STOPPED_TICKS);
    runFor(TICKS_PER_SECOND);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    EXPECT_EQ(offTheLine(0.0, 0, readAfter), "");
    EXPECT_EQ(offTheLine(msSince(0, STOPPED_TICKS), readAfter), "") << "the stopped time counted";
    EXPECT_EQ(unevenStep(), "");
    // The music goes on with the frame after the last one played.
    const int64_t last = trackFrameOf(periods_[lastBefore], 0);
    ASSERT_GE(last, 0);
    ASSERT_GT(periods_.size(), lastBefore + 1);
    EXPECT_EQ(trackFrameOf(periods_[lastBefore + 1], 0), last + REQUESTED_PERIOD_FRAMES);
    for (size_t i = lastBefore + 1; i < periods_.size(); ++i)
        ASSERT_TRUE(periods_[i].music()) << "silent " << msSince(0, periods_[i].at - periods_[lastBefore].at)
                                         << " ms after the stop";
}

TEST_F(SteppedOutput, WithoutADeviceAStoppedProcessGoesOnFromWhereItStood) {
    fake.opens = false;
    testing::internal::CaptureStderr();
    start();
    runFor(TICKS_PER_SECOND);
    const size_t readAfter = readings_.size();
    stopProcessFor(STOPPED_TICKS);
    runFor(TICKS_PER_SECOND);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, std::string(programName()) + ": no audio device (the test has no device); playing in silence\n");

    EXPECT_EQ(offTheLine(0.0, 0, readAfter), "");
    EXPECT_EQ(offTheLine(msSince(0, STOPPED_TICKS), readAfter), "") << "the stopped time counted";
    EXPECT_EQ(unevenStep(), "");
    EXPECT_EQ(fake.openings, 1) << "a device never had is not looked for again";
}

// A USB headset unplugged: its status stops, the default output takes over
// once it opens again, and the time goes on in silence meanwhile.
TEST_F(SteppedOutput, ALostDeviceIsClosedAndReplacedWhenTheDefaultOutputOpensAgain) {
    testing::internal::CaptureStderr();
    start();
    runFor(TICKS_PER_SECOND);
    fake.plays = false;
    fake.opens = false;
    runFor(REOPEN_INTERVAL_MS * TICKS_PER_MS * 5 / 2);
    EXPECT_EQ(fake.closings, 1);
    EXPECT_FALSE(fake.open);
    EXPECT_EQ(fake.openings, 3) << "the first open and a try each second";
    const std::string lost = std::string(programName()) + ": audio device lost; playing in silence\n";
    fake.plays = true;
    fake.opens = true;
    const uint64_t opensAgain = fake.clock;
    runFor(TICKS_PER_SECOND);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              lost + std::string(programName()) + ": audio device back; playing with sound\n");

    EXPECT_EQ(offTheLine(0.0), "") << "time was lost with the device";
    EXPECT_EQ(unevenStep(), "");
    const Period* music = firstMusicFrom(opensAgain);
    ASSERT_NE(music, nullptr) << "the new device stayed silent";
    EXPECT_LE(music->at - opensAgain, REOPEN_INTERVAL_MS * TICKS_PER_MS + SOUND_BACK_TICKS);
    EXPECT_LE(std::abs(music->samples[0]), 1) << "the new device's music fades in";
}

}  // namespace
