// The audio device lost in the middle of playback, for real: SDL's disk
// driver reports its device removed when a write fails, and a file size
// limit makes the writes fail after one second of sound. The position goes
// on in silence, and the default output opened again (SDL's disk driver
// writing a second file) plays the music on.
#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/sound_system.h"
#include "audio/stream_music_player.h"
#include "base/program_message.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/captured_sound.h"

namespace {

constexpr int MIX_RATE = 44100;
constexpr int CHANNELS = 128;
constexpr int SAMPLE_FRAME_BYTES = 4;  // 16-bit stereo
constexpr rlim_t HEARD_BEFORE_LOSS = MIX_RATE * SAMPLE_FRAME_BYTES;  // one second
constexpr rlim_t HEARD_AFTER_REPLACEMENT = MIX_RATE * SAMPLE_FRAME_BYTES / 2;
constexpr uint32_t PLAYED_ON_MS = 2500;
// As the sound layer's own tests allow.
constexpr double EARLY_MS = 60.0;

class DeviceLoss : public ::testing::Test {
protected:
    // Past the limit a write fails instead of raising SIGXFSZ.
    void SetUp() override {
        sweepTrack();
        getrlimit(RLIMIT_FSIZE, &savedLimit_);
        savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{HEARD_BEFORE_LOSS, savedLimit_.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    void TearDown() override {
        soundClose();
        setrlimit(RLIMIT_FSIZE, &savedLimit_);
        std::signal(SIGXFSZ, savedHandler_);
    }

    rlimit savedLimit_{};
    void (*savedHandler_)(int) = SIG_DFL;
};

TEST_F(DeviceLoss, ThePositionGoesOnInSilenceAndTheDefaultOutputTakesOver) {
    const std::string lost = fixturePath("lost.raw");
    const std::string replacement = fixturePath("replacement.raw");
    useDiskOutput(lost);
    ASSERT_TRUE(soundInit(MIX_RATE, CHANNELS, 0));
    soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
    SoundStream* stream = soundStreamOpen(longSweepTrack().c_str(), 0, 0);
    ASSERT_NE(stream, nullptr);

    testing::internal::CaptureStderr();
    const WallClock::time_point playedAt = WallClock::now();
    soundStreamPlay(0, stream);
    // The write past the limit is the one that fails, so a file at the limit
    // means the device is gone; the next device SDL opens writes elsewhere.
    const bool limitReached = waitUntil(
        [&] { return std::filesystem::exists(lost) && std::filesystem::file_size(lost) == HEARD_BEFORE_LOSS; },
        REFILL_CEILING_MS);
    setenv("SDL_DISKAUDIOFILE", replacement.c_str(), 1);
    setrlimit(RLIMIT_FSIZE, &savedLimit_);
    const bool replaced = waitUntil(
        [&] {
            return std::filesystem::exists(replacement) &&
                   std::filesystem::file_size(replacement) > static_cast<uintmax_t>(HEARD_AFTER_REPLACEMENT);
        },
        REFILL_CEILING_MS);
    const std::vector<PositionSample> samples = watchPositionPast(stream, playedAt, PLAYED_ON_MS, REFILL_CEILING_MS);
    const std::string said = CapturedSound::withoutDriverLines(testing::internal::GetCapturedStderr());

    ASSERT_TRUE(limitReached);
    ASSERT_TRUE(replaced) << "no device took over: " << said;
    EXPECT_EQ(said, std::string(programName()) + ": audio device lost; playing in silence\n" + programName() +
                        ": audio device back; playing with sound\n");
    EXPECT_EQ(std::filesystem::file_size(lost), HEARD_BEFORE_LOSS) << "the lost device took sound up to the limit";
    EXPECT_GT(peakOfRawFile(replacement), FIXTURE_AMPLITUDE / 2) << "the new device plays in silence";
    EXPECT_EQ(positionFault(samples, 0, EARLY_MS), "");
    EXPECT_GT(samples.back().positionMs, PLAYED_ON_MS) << "the position stalled";
}

}  // namespace
