// The ending as a user sees and hears it: under a real X server with the
// sound captured by SDL's disk driver, the first Escape fades picture and
// sound to black, shows the makers' logo and ends the program by itself.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/xvfb_server.h"

namespace {

const std::string SHOW = SHOW_BINARY;
const std::string PROJECT = PROJECT_DIR;
const std::string TITLE = "Pelmira 15 Advert";

constexpr int FRAME_BYTES = 4;  // 16-bit stereo
constexpr int RATE = 44100;
constexpr int LIT_LEVEL = 24;

long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

// RMS of the 16-bit samples in [from, to) seconds of the capture, where
// second 0 is the byte offset origin.
double rms(const std::string& path, long origin, double from, double to) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return -1;
    const long first = origin + static_cast<long>(from * RATE) * FRAME_BYTES;
    const long count = static_cast<long>((to - from) * RATE) * 2;
    std::vector<int16_t> samples(static_cast<size_t>(count));
    std::fseek(file, first, SEEK_SET);
    const size_t got = std::fread(samples.data(), 2, samples.size(), file);
    std::fclose(file);
    if (got == 0)
        return -1;
    double sum = 0;
    for (size_t i = 0; i < got; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(got));
}

class EndingTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pelmira-audio-XXXXXX";
        dir_ = mkdtemp(pattern);
        audio_ = dir_ + "/heard.raw";
    }
    void TearDown() override { shellOutput("rm -rf '" + dir_ + "'"); }
    std::vector<std::string> env(const XvfbServer& x) const {
        return {x.env(), "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio_};
    }
    // Sleeps until ms after the origin on the monotonic clock.
    static void sleepUntil(long long origin, long long ms) {
        const long long left = origin + ms - monotonicMs();
        if (left > 0)
            sleepMs(static_cast<int>(left));
    }
    std::string dir_;
    std::string audio_;
};

TEST_F(EndingTest, EscapeFadesToTheLogoWhichEndsTheProgram) {
    XvfbServer x;
    ChildProcess show(SHOW, {}, env(x), PROJECT);
    ASSERT_FALSE(x.waitForWindow(TITLE, 15000).empty()) << show.errorOutput();
    const long long shown = monotonicMs();

    sleepUntil(shown, 5750);
    EXPECT_GT(litShare(x.grabScreen(), LIT_LEVEL), 0.02) << "the title shows during its window";

    sleepUntil(shown, 13000);
    x.xdotool("key Escape");
    const long long escaped = monotonicMs();
    const long heardAtEscape = fileSize(audio_);

    sleepUntil(escaped, 2400);
    EXPECT_LT(litShare(x.grabScreen(), LIT_LEVEL), 0.002) << "the screen is black at the end of the fade";
    sleepUntil(escaped, 6000);
    EXPECT_GT(litShare(x.grabScreen(), LIT_LEVEL), 0.01) << "the logo shows";

    ASSERT_TRUE(show.waitFor(20000)) << "the logo ends the program";
    const double endedAfter = static_cast<double>(monotonicMs() - escaped) / 1000.0;
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
    EXPECT_NEAR(endedAfter, 15.8, 1.5) << "the logo quits 15.8 s of music after the Escape";

    const double before = rms(audio_, heardAtEscape, -1.0, 0.0);
    const double after = rms(audio_, heardAtEscape, 2.6, 3.6);
    EXPECT_GT(before, 300.0) << "the music plays before the Escape";
    EXPECT_GE(after, 0.0);
    EXPECT_LT(after, before * 0.01) << "the sound has faded to silence 2.5 s after the Escape";
}

TEST_F(EndingTest, SecondEscapeDuringTheFadeQuitsAtOnce) {
    XvfbServer x;
    ChildProcess show(SHOW, {}, env(x), PROJECT);
    ASSERT_FALSE(x.waitForWindow(TITLE, 15000).empty()) << show.errorOutput();
    sleepMs(2000);
    x.xdotool("key Escape");
    sleepMs(1000);
    ASSERT_TRUE(show.running());
    x.xdotool("key Escape");
    ASSERT_TRUE(show.waitFor(1500));
    EXPECT_EQ(show.status(), 0);
}

}  // namespace
