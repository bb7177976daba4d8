// Linux's sound output: ALSA's own lines stay off stderr.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "audio/sound_system.h"
#include "base/program_message.h"
#include "tests/audio/audio_fixtures.h"

namespace {

constexpr int CHANNELS = 128;

// ALSA prints its own lines about a card it cannot find; only ours may reach stderr.
TEST(AlsaMessages, AnAlsaCardThatIsNotThereIsOneLineOfOurs) {
    setenv("AUDIODEV", "hw:97", 1);
    useAudioDriver("alsa");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(soundInit(FIXTURE_RATE, CHANNELS, 0));
    const std::string said = testing::internal::GetCapturedStderr();
    soundClose();
    unsetenv("AUDIODEV");
    EXPECT_EQ(said.rfind(std::string(programName()) + ": no audio device (", 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
}

}  // namespace
