// The audio device lost in the middle of playback, for real: SDL's disk
// driver reports its device removed when a write fails, and a file size
// limit makes the writes fail after one second of sound. The position then
// goes on in silence without a jump and without a stall.
#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/program_message.h"
#include "audio/stream_music_player.h"
#include "audio/sound_system.h"
#include "tests/audio/audio_fixtures.h"

namespace {

constexpr int MIX_RATE = 44100;
constexpr int CHANNELS = 128;
constexpr int FRAME_BYTES = 4;  // 16-bit stereo
constexpr rlim_t HEARD_BEFORE_LOSS = MIX_RATE * FRAME_BYTES;  // one second
constexpr uint32_t PLAYED_ON_MS = 1500;
// SDL numbers opened devices from 2.
constexpr SDL_AudioDeviceID OUR_DEVICE = 2;
// The same allowances as the sound layer's own tests.
constexpr double EARLY_MS = 60.0;
constexpr double SMOOTH_SLACK_MS = 30.0;

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

TEST_F(DeviceLoss, ThePositionGoesOnInSilenceWithoutJumpOrStall) {
    const std::string heard = fixturePath("lost.raw");
    useDiskOutput(heard);
    ASSERT_TRUE(soundInit(MIX_RATE, CHANNELS, 0));
    soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
    SoundStream* stream = soundStreamOpen(sweepTrack().c_str(), 0, 0);
    ASSERT_NE(stream, nullptr);

    testing::internal::CaptureStderr();
    soundStreamPlay(0, stream);
    // Well past the second of sound the device took, however slowly it took it.
    const std::vector<PositionSample> samples = watchPositionPast(stream, PLAYED_ON_MS, REFILL_CEILING_MS);
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_EQ(SDL_GetAudioDeviceStatus(OUR_DEVICE), SDL_AUDIO_STOPPED) << "SDL has not taken the device for removed";
    EXPECT_EQ(said, std::string(programName()) + ": audio device lost; playing in silence\n");
    EXPECT_EQ(std::filesystem::file_size(heard), HEARD_BEFORE_LOSS) << "the device took sound up to the limit, no more";
    EXPECT_EQ(smoothnessFault(samples, SMOOTH_SLACK_MS), "");
    EXPECT_GT(samples.back().positionMs, PLAYED_ON_MS) << "the position stalled";
    EXPECT_LT(samples.back().positionMs, samples.back().wallMs + EARLY_MS) << "the position jumped ahead";
}

}  // namespace
