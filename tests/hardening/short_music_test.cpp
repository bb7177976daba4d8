// A music track that ends long before the show: the show plays its five
// seconds, goes on in silence with the position still growing, and ends by
// itself at the show's end with status 0. The real program, headless, for
// the whole length of the show.
//
// Without a sound device the position follows the monotonic clock, the one
// this test reads; a device paces itself (SDL's dummy driver sleeps, and
// slows down on a busy machine), so it would make a poor clock here. That
// the position goes on past the last sample on a device is checked in the
// sound layer's own tests.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;

const std::string SHOW = SHOW_BINARY;
const std::string MAKE_MUSIC = MAKE_MUSIC_BINARY;
const fs::path DATA = DATA_DIR;
const std::string MUSIC_FILE = "lunhal-amber_tide.mp3";
const std::string TRACK_SECONDS = "5";
// The show renders as fast as it can; one llvmpipe thread at a low priority
// leaves the machine to the tests that run beside this one.
const std::string NICE = "/usr/bin/nice";
const std::vector<std::string> SILENT = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=no-such-driver",
                                         "LP_NUM_THREADS=1"};
const std::string NO_DEVICE_LINE = "pelmira15: no audio device (";

constexpr long long SHOW_END_MS = 173000;
// The clock starts once the show has loaded, so it cannot end sooner than
// this after the start; a busy machine draws its last frame late, and the
// ceiling leaves it a whole minute for that.
constexpr long long EARLY_MS = 500;
constexpr long long LATE_MS = 60000;

class ShortMusic : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pelmira-short-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fs::create_directory(dir_ / "data");
        for (const fs::directory_entry& entry : fs::directory_iterator(DATA)) {
            if (entry.path().filename() != MUSIC_FILE)
                fs::create_symlink(entry.path(), dir_ / "data" / entry.path().filename());
        }
        ChildProcess make(MAKE_MUSIC, {"--seconds", TRACK_SECONDS, (dir_ / "data" / MUSIC_FILE).string()}, {}, "");
        ASSERT_TRUE(make.waitFor(30000));
        ASSERT_EQ(make.status(), 0) << make.errorOutput();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_F(ShortMusic, TheShowStillEndsByItselfAtItsEnd) {
    const long long started = monotonicMs();
    ChildProcess show(NICE, {"-n", "10", SHOW}, SILENT, dir_.string());
    ASSERT_TRUE(show.started());
    ASSERT_FALSE(show.waitFor(static_cast<int>(SHOW_END_MS - EARLY_MS)))
        << "ended early: status " << show.status() << " " << show.errorOutput();
    ASSERT_TRUE(show.waitFor(static_cast<int>(EARLY_MS + LATE_MS)))
        << "the position stalled: still running " << (monotonicMs() - started) / 1000 << " s after the start";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
    const std::string said = show.errorOutput();
    EXPECT_EQ(said.rfind(NO_DEVICE_LINE, 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line only: " << said;
}

}  // namespace
