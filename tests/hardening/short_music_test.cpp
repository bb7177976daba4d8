// A music track that ends long before the show: the show plays its five
// seconds, goes on in silence with the position still growing with the wall
// clock, and ends by itself at the show's end with status 0. The real
// program, headless, for the whole length of the show.
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
const std::vector<std::string> HEADLESS = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "LP_NUM_THREADS=1"};

constexpr long long SHOW_END_MS = 173000;
// Starting takes a moment before the clock runs; a busy machine draws its
// last frame late.
constexpr long long EARLY_MS = 500;
constexpr long long LATE_MS = 10000;

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
    ChildProcess show(NICE, {"-n", "10", SHOW}, HEADLESS, dir_.string());
    ASSERT_TRUE(show.started());
    ASSERT_FALSE(show.waitFor(static_cast<int>(SHOW_END_MS - EARLY_MS)))
        << "ended early: status " << show.status() << " " << show.errorOutput();
    ASSERT_TRUE(show.waitFor(static_cast<int>(EARLY_MS + LATE_MS)))
        << "the position stalled: still running " << (monotonicMs() - started) / 1000 << " s after the start";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
    EXPECT_EQ(show.errorOutput(), "");
}

}  // namespace
