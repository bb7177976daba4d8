#include "audio/sound_system.h"
#include "base/program_message.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/sdl/sdl_sound_internal.h"
#include "audio/stream_music_player.h"
#include "tests/audio/audio_fixtures.h"

namespace {

constexpr int MIX_RATE = 44100;
constexpr int CHANNELS = 128;
constexpr int FULL = 255;
// How far the position may run ahead of the wall clock: a driver may take its
// first periods faster than it plays them.
constexpr double EARLY_MS = 60.0;
// How much of the track peakHeard() lets out.
constexpr uint32_t HEARD_MS = 150;

// Counts what the layer does through the file callbacks; mpg123 calls them
// from the decoder thread too.
std::atomic<int> opens{0};
std::atomic<int> closes{0};
std::atomic<int> reads{0};
std::atomic<int> tells{0};
std::atomic<int> originsSeen{0};
std::string openedName;

void* countedOpen(const char* name) {
    ++opens;
    openedName = name;
    return fileOpen(name);
}
int countedClose(void* handle) {
    ++closes;
    return fileClose(handle);
}
int countedRead(void* buffer, int size, void* handle) {
    ++reads;
    return fileRead(buffer, size, handle);
}
int countedSeek(void* handle, int offset, signed char origin) {
    originsSeen |= 1 << origin;
    return fileSeek(handle, offset, origin);
}
int countedTell(void* handle) {
    ++tells;
    return fileTell(handle);
}

class SoundSystemTest : public ::testing::Test {
protected:
    void TearDown() override {
        soundClose();
        soundSetMasterVolume(FULL);
    }

    static void start(const char* driver) {
        useAudioDriver(driver);
        ASSERT_TRUE(soundInit(MIX_RATE, CHANNELS, 0));
    }

    static SoundStream* openStdio(const std::string& path) {
        soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
        return soundStreamOpen(path.c_str(), 0, 0);
    }

    static void useCountingCallbacks() {
        opens = closes = reads = tells = originsSeen = 0;
        soundSetFileCallbacks(countedOpen, countedClose, countedRead, countedSeek, countedTell);
    }

    // Plays the track from a position for a while into SDL's disk driver and
    // answers the peak of what would have been heard.
    static int peakHeard(const std::string& track, uint32_t fromMs, int channelVolume, int masterVolume) {
        const std::string heard = fixturePath("heard.raw");
        useDiskOutput(heard);
        EXPECT_TRUE(soundInit(MIX_RATE, CHANNELS, 0));
        SoundStream* stream = openStdio(track);
        EXPECT_NE(stream, nullptr);
        soundSetChannelVolume(0, channelVolume);
        soundSetMasterVolume(masterVolume);
        soundStreamSetPosition(stream, fromMs);
        soundStreamPlay(0, stream);
        // Once the position passed, that much sound went out to the file.
        EXPECT_TRUE(waitUntil([&] { return soundStreamTimeMs(stream) > fromMs + HEARD_MS; }, REFILL_CEILING_MS));
        soundClose();
        return peakOfRawFile(heard);
    }
};

TEST_F(SoundSystemTest, ReadsTheTrackOnlyThroughTheCallbacks) {
    start("dummy");
    useCountingCallbacks();
    SoundStream* stream = soundStreamOpen(sweepTrack().c_str(), 0, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(openedName, sweepTrack());
    EXPECT_GT(reads, 0);
    // The length probe seeks from the end and needs the absolute offset back.
    EXPECT_TRUE(originsSeen & (1 << 2));
    EXPECT_GT(tells, 0);
    const int readsToOpen = reads;
    soundStreamPlay(0, stream);
    EXPECT_TRUE(waitUntil([&] { return reads > readsToOpen; }, REFILL_CEILING_MS))
        << "the decoder thread reads on";
    EXPECT_EQ(closes, 0);
    soundClose();
    EXPECT_EQ(closes, 1);
}

TEST_F(SoundSystemTest, OpenFailsWithoutOutputFileOrMp3DataAndReleasesTheFile) {
    useCountingCallbacks();
    EXPECT_EQ(soundStreamOpen(sweepTrack().c_str(), 0, 0), nullptr);
    EXPECT_EQ(opens, 0);
    EXPECT_STRNE(soundLastError(), "");

    start("dummy");
    useCountingCallbacks();
    EXPECT_EQ(soundStreamOpen(fixturePath("missing.mp3").c_str(), 0, 0), nullptr);
    EXPECT_EQ(soundStreamOpen(textFile().c_str(), 0, 0), nullptr);
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(closes, 1);  // the text file; the missing one never opened

    soundSetFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(soundStreamOpen(sweepTrack().c_str(), 0, 0), nullptr);
}

TEST_F(SoundSystemTest, RequestsItCannotServeAreRefusedWithoutTouchingAFile) {
    EXPECT_FALSE(soundInit(MIX_RATE, 0, 0));
    EXPECT_FALSE(soundInit(MIX_RATE, CHANNELS, 1));
    EXPECT_STRNE(soundLastError(), "");

    start("dummy");
    useCountingCallbacks();
    EXPECT_EQ(soundStreamOpen(nullptr, 0, 0), nullptr);
    EXPECT_EQ(soundStreamOpen(sweepTrack().c_str(), 1, 0), nullptr);
    EXPECT_EQ(soundStreamOpen(sweepTrack().c_str(), 0, 1), nullptr);
    EXPECT_EQ(opens, 0);

    // The registry fills up, and the request past it is refused up front.
    constexpr int ENOUGH_STREAMS = 64;
    int opened = 0;
    while (opened < ENOUGH_STREAMS && soundStreamOpen(shortTrack().c_str(), 0, 0) != nullptr)
        ++opened;
    EXPECT_LT(opened, ENOUGH_STREAMS);
    EXPECT_EQ(opens, opened);
}

TEST_F(SoundSystemTest, NullOrClosedStreamsAreRefusedHarmlessly) {
    start("dummy");
    SoundStream* stream = openStdio(sweepTrack());
    ASSERT_NE(stream, nullptr);
    soundClose();
    for (SoundStream* dead : {static_cast<SoundStream*>(nullptr), stream}) {
        EXPECT_EQ(soundStreamTimeMs(dead), 0u);
        EXPECT_EQ(soundStreamPlay(0, dead), -1);
        EXPECT_FALSE(soundStreamStop(dead));
        EXPECT_FALSE(soundStreamSetPosition(dead, 1000));
    }
}

TEST_F(SoundSystemTest, PositionStartsAtZeroGrowsAndFreezesWhileStopped) {
    start("dummy");
    SoundStream* stream = openStdio(sweepTrack());
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(soundStreamTimeMs(stream), 0u);
    const WallClock::time_point playedAt = WallClock::now();
    EXPECT_EQ(soundStreamPlay(0, stream), 0);
    EXPECT_EQ(positionFault(watchPosition(stream, playedAt, 200), 0, EARLY_MS), "");
    EXPECT_TRUE(waitUntil([&] { return soundStreamTimeMs(stream) > 300; }, REFILL_CEILING_MS));

    EXPECT_TRUE(soundStreamStop(stream));
    const uint32_t stopped = soundStreamTimeMs(stream);
    sleepMs(100);
    EXPECT_EQ(soundStreamTimeMs(stream), stopped);

    const WallClock::time_point resumedAt = WallClock::now();
    soundStreamPlay(0, stream);
    EXPECT_EQ(positionFault(watchPosition(stream, resumedAt, 200), stopped, EARLY_MS), "");
    EXPECT_TRUE(waitUntil([&] { return soundStreamTimeMs(stream) > stopped + 100; }, REFILL_CEILING_MS));
}

TEST_F(SoundSystemTest, PositionGoesOnInSilenceAfterTheLastSample) {
    start("dummy");
    SoundStream* stream = openStdio(shortTrack());
    ASSERT_NE(stream, nullptr);
    const WallClock::time_point playedAt = WallClock::now();
    soundStreamPlay(0, stream);
    // The track lasts 300 ms; the position goes on past it.
    const std::vector<PositionSample> samples = watchPositionPast(stream, playedAt, 500, REFILL_CEILING_MS);
    EXPECT_EQ(positionFault(samples, 0, EARLY_MS), "");
    EXPECT_GT(samples.back().positionMs, 500u);
}

TEST_F(SoundSystemTest, MovingThePositionPlaysTheMusicFoundThere) {
    // The track is silent for its first 1.5 s.
    EXPECT_LT(peakHeard(lateSweepTrack(), 0, FULL, FULL), FIXTURE_AMPLITUDE / 20);
    EXPECT_GT(peakHeard(lateSweepTrack(), 2000, FULL, FULL), FIXTURE_AMPLITUDE / 2);

    start("dummy");
    SoundStream* stream = openStdio(sweepTrack());
    soundStreamPlay(0, stream);
    sleepMs(100);
    // The position goes on from where it was set once the decoder refilled,
    // past the end of the 3 s track too.
    for (const uint32_t setMs : {2500u, 10000u}) {
        EXPECT_TRUE(soundStreamSetPosition(stream, setMs));
        EXPECT_GE(soundStreamTimeMs(stream), setMs);
        EXPECT_TRUE(waitUntil([&] { return soundStreamTimeMs(stream) > setMs + 100; }, REFILL_CEILING_MS))
            << "stayed at " << soundStreamTimeMs(stream) << " ms after moving to " << setMs << " ms";
    }
}

TEST_F(SoundSystemTest, VolumesScaleThePlaybackAndAreClampedThere) {
    const double full = peakHeard(sweepTrack(), 0, FULL, FULL);
    ASSERT_GT(full, FIXTURE_AMPLITUDE / 2);
    // 306 plays as 255; with the master at 128 that is about half.
    EXPECT_NEAR(peakHeard(sweepTrack(), 0, 306, 128) / full, 128.0 / FULL, 0.04);
    EXPECT_EQ(peakHeard(sweepTrack(), 0, FULL, 0), 0);
    EXPECT_EQ(peakHeard(sweepTrack(), 0, -20, FULL), 0);
}

TEST_F(SoundSystemTest, VolumeGettersAnswerWhatWasSet) {
    EXPECT_FALSE(soundSetChannelVolume(0, 100));
    EXPECT_EQ(soundChannelVolume(0), -1);
    start("dummy");
    EXPECT_EQ(soundChannelVolume(0), FULL);
    EXPECT_TRUE(soundSetChannelVolume(CHANNELS - 1, 306));
    EXPECT_EQ(soundChannelVolume(CHANNELS - 1), 306);
    EXPECT_FALSE(soundSetChannelVolume(CHANNELS, 100));
    EXPECT_FALSE(soundSetChannelVolume(-1, 100));
    soundSetMasterVolume(-5);
    EXPECT_EQ(soundMasterVolume(), -5);
}

TEST_F(SoundSystemTest, WithoutADeviceTheSilentOutputKeepsTimeByTheClock) {
    testing::internal::CaptureStderr();
    start("no-such-driver");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind(std::string(programName()) + ": no audio device (", 0), 0u) << said;
    EXPECT_NE(said.find("); playing in silence\n"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;

    SoundStream* stream = openStdio(sweepTrack());
    ASSERT_NE(stream, nullptr);
    const WallClock::time_point playedAt = WallClock::now();
    soundStreamPlay(0, stream);
    const std::vector<PositionSample> samples = watchPositionPast(stream, playedAt, 300, REFILL_CEILING_MS);
    EXPECT_EQ(positionFault(samples, 0, EARLY_MS), "");
    EXPECT_GT(samples.back().positionMs, 300u);
}

// A real driver's stall: holding the device's lock keeps its callback out, as
// a device that stops calling back would. How exactly the time is kept
// through it is output_watch_test's; here SDL's own thread hands over.
TEST_F(SoundSystemTest, AStalledDeviceHandsOverToTheSilentOutputAndPlaysAgainWhenItComesBack) {
    const std::string heard = fixturePath("stalled.raw");
    useDiskOutput(heard);
    ASSERT_TRUE(soundInit(MIX_RATE, CHANNELS, 0));
    SoundStream* stream = openStdio(longSweepTrack());
    ASSERT_NE(stream, nullptr);
    testing::internal::CaptureStderr();
    soundStreamPlay(0, stream);
    ASSERT_TRUE(waitUntil([&] { return soundStreamTimeMs(stream) > 300; }, REFILL_CEILING_MS));

    const SDL_AudioDeviceID device = sound_internal::output.device;
    SDL_LockAudioDevice(device);
    const bool handedOver = waitUntil([] { return sound_internal::output.detached.load(); }, REFILL_CEILING_MS);
    const uint32_t stalledAt = soundStreamTimeMs(stream);
    const bool wentOn = waitUntil([&] { return soundStreamTimeMs(stream) > stalledAt + 300; }, REFILL_CEILING_MS);
    const uintmax_t heardBefore = std::filesystem::file_size(heard);
    SDL_UnlockAudioDevice(device);
    const bool cameBack = waitUntil([] { return !sound_internal::output.detached.load(); }, REFILL_CEILING_MS);
    constexpr uintmax_t TENTH_OF_A_SECOND = MIX_RATE / 10 * 4;
    const bool played = waitUntil([&] { return std::filesystem::file_size(heard) > heardBefore + 3 * TENTH_OF_A_SECOND; },
                                  REFILL_CEILING_MS);
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(handedOver) << "the silent output did not take over";
    EXPECT_TRUE(wentOn) << "the position stood still while the device stalled";
    EXPECT_TRUE(cameBack) << "the device did not take over again";
    ASSERT_TRUE(played);
    EXPECT_GT(peakOfRawFile(heard, heardBefore), FIXTURE_AMPLITUDE / 2) << "the device came back silent";
    EXPECT_EQ(said, "") << "a stall is no loss";
}

TEST(SoundOutputExit, AProcessThatNeverClosesTheOutputStillExitsCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            useAudioDriver("dummy");
            soundInit(MIX_RATE, CHANNELS, 0);
            soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
            soundStreamPlay(0, soundStreamOpen(sweepTrack().c_str(), 0, 0));
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
