// The ending as a user sees and hears it: under a real X server with the
// sound captured by SDL's disk driver, the first Escape fades picture and
// sound to black, shows the makers' logo and ends the program by itself.
// Times come from the captured sound, the show's own clock; when the logo
// ends the program (15.8 s of music after the Escape) is checked on the
// recorder's virtual clock in show_recording_test.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/captured_sound.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb_server.h"

namespace {

const std::string SHOW = SHOW_BINARY;
const std::string PROJECT = PROJECT_DIR;
const std::string TITLE = "Pelmira 15 Advert";

constexpr int LIT_LEVEL = 24;

// Ceilings only: each wait ends as soon as what it waits for happens, so a
// busy machine just takes longer.
constexpr int WINDOW_LIMIT_MS = 30000;
constexpr int SCENE_LIMIT_MS = 30000;
constexpr int HEARD_LIMIT_MS = 60000;
constexpr int LOGO_END_LIMIT_MS = 60000;
// The Escape comes once this much music was heard: the kick has entered.
constexpr double ESCAPE_AFTER_S = 13.0;
// The sound is measured for this long from when the logo is seen: its frames
// come after the fade's last one, however late a busy machine saw the Escape.
constexpr double FADED_S = 1.0;
// The volume keeps the value of the last frame inside the fade: nothing when
// a frame lands on its end, a little when frames come far apart. A frame
// every 0.6 s of music still leaves less than a quarter. The exact levels are
// checked on the recorder's virtual clock (show_recording_test).
constexpr double FADED_SHARE = 0.25;
// The second Escape comes this far into the fade, on the music's clock.
constexpr double SECOND_ESCAPE_AFTER_S = 1.0;
// It quits within this much music, where the logo would end the program
// some 14 s after it: ample for a frame and the shutdown on a busy machine.
constexpr double QUIT_WITHIN_S = 8.0;

std::function<bool(const std::vector<uint32_t>&)> litAbove(double share) {
    return [share](const std::vector<uint32_t>& screen) { return litShare(screen, LIT_LEVEL) > share; };
}

std::function<bool(const std::vector<uint32_t>&)> darkBelow(double share) {
    return [share](const std::vector<uint32_t>& screen) {
        return !screen.empty() && litShare(screen, LIT_LEVEL) < share;
    };
}

std::vector<std::string> showEnv(const XvfbServer& x, const CapturedSound& sound) {
    std::vector<std::string> env = sound.env();
    env.push_back(x.env());
    return env;
}

TEST(EndingTest, EscapeFadesToTheLogoWhichEndsTheProgram) {
    XvfbServer x;
    ASSERT_TRUE(x.started());
    const CapturedSound sound;
    ChildProcess show(SHOW, {}, showEnv(x, sound), PROJECT);
    ASSERT_FALSE(x.waitForWindow(TITLE, WINDOW_LIMIT_MS).empty()) << show.errorOutput();
    EXPECT_TRUE(x.waitForScreen(litAbove(0.02), SCENE_LIMIT_MS)) << "the title shows";

    ASSERT_TRUE(sound.waitUntilHeard(ESCAPE_AFTER_S, HEARD_LIMIT_MS)) << show.errorOutput();
    x.xdotool("key Escape");
    const double heardAtEscape = sound.heardSeconds();

    EXPECT_TRUE(x.waitForScreen(darkBelow(0.002), SCENE_LIMIT_MS)) << "the fade ends in black";
    EXPECT_TRUE(x.waitForScreen(litAbove(0.01), SCENE_LIMIT_MS)) << "the logo shows";
    const double heardAtLogo = sound.heardSeconds();
    ASSERT_TRUE(show.waitFor(LOGO_END_LIMIT_MS)) << "the logo ends the program";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();

    const double before = sound.rms(heardAtEscape, -1.0, 0.0);
    const double after = sound.rms(heardAtLogo, 0.0, FADED_S);
    EXPECT_GT(before, 300.0) << "the music plays before the Escape; the show said: " << show.errorOutput();
    EXPECT_GE(after, 0.0);
    EXPECT_LT(after, before * FADED_SHARE) << "the fade takes the sound down with the picture";
}

// Well before the logo would end the program by itself.
TEST(EndingTest, SecondEscapeDuringTheFadeQuitsAtOnce) {
    XvfbServer x;
    ASSERT_TRUE(x.started());
    const CapturedSound sound;
    ChildProcess show(SHOW, {}, showEnv(x, sound), PROJECT);
    ASSERT_FALSE(x.waitForWindow(TITLE, WINDOW_LIMIT_MS).empty()) << show.errorOutput();
    ASSERT_TRUE(sound.waitUntilHeard(1.0, HEARD_LIMIT_MS)) << show.errorOutput();
    x.xdotool("key Escape");
    const double heardAtEscape = sound.heardSeconds();
    ASSERT_TRUE(sound.waitUntilHeard(heardAtEscape + SECOND_ESCAPE_AFTER_S, HEARD_LIMIT_MS)) << show.errorOutput();
    ASSERT_TRUE(show.running());
    x.xdotool("key Escape");
    const double heardAtSecondEscape = sound.heardSeconds();
    ASSERT_TRUE(show.waitFor(LOGO_END_LIMIT_MS));
    EXPECT_EQ(show.status(), 0);
    EXPECT_LT(sound.heardSeconds() - heardAtSecondEscape, QUIT_WITHIN_S) << "the logo ended the program, not the Escape";
}

}  // namespace
