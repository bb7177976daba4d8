// The show stopped and continued as a shell's Ctrl-Z and fg do (SIGSTOP, then
// SIGCONT two seconds later), under a real X server with its sound taken by
// SDL's disk driver: it plays on with sound, from where it stood. How the
// clock and the sound keep together through a stop is checked on a stepped
// clock (output_watch_test); this is the whole program with SDL's threads.
#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/captured_sound.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb_server.h"

namespace {

const std::string SHOW = SHOW_BINARY;
const std::string PROJECT = PROJECT_DIR;
const std::string TITLE = "Pelmira 15 Advert";

// Ceilings only: each wait ends as soon as what it waits for happens.
constexpr int WINDOW_LIMIT_MS = 30000;
constexpr int HEARD_LIMIT_MS = 60000;
constexpr int STATE_LIMIT_MS = 10000;
constexpr int QUIT_LIMIT_MS = 60000;
// Stopped in the first mesh half, where the music plays at full strength.
constexpr double STOP_AT_S = 13.0;
constexpr int STOPPED_MS = 2000;
constexpr double PLAYED_ON_S = 3.0;
// Played on, the music is as loud as before the stop; in silence it is 0.
constexpr double PLAYING_RMS = 300.0;
constexpr double KEPT_SHARE = 0.5;

// The process's state letter in /proc: 'T' while stopped.
char processState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    for (int i = 0; i < 3 && stat >> field; ++i) {
    }
    return field.empty() ? '?' : field[0];
}

bool waitForState(pid_t pid, char state) {
    const long long deadline = monotonicMs() + STATE_LIMIT_MS;
    while (processState(pid) != state) {
        if (monotonicMs() > deadline)
            return false;
        sleepMs(5);
    }
    return true;
}

TEST(StoppedShow, PlaysOnWithSoundFromWhereItStood) {
    XvfbServer x;
    ASSERT_TRUE(x.started());
    const CapturedSound sound;
    std::vector<std::string> env = sound.env();
    env.push_back(x.env());
    ChildProcess show(SHOW, {}, env, PROJECT);
    ASSERT_FALSE(x.waitForWindow(TITLE, WINDOW_LIMIT_MS).empty()) << show.errorOutput();
    ASSERT_TRUE(sound.waitUntilHeard(STOP_AT_S, HEARD_LIMIT_MS)) << show.errorOutput();

    show.signal(SIGSTOP);
    ASSERT_TRUE(waitForState(show.pid(), 'T'));
    const double stoppedAt = sound.heardSeconds();
    // The stop to live through; nothing is measured against it.
    sleepMs(STOPPED_MS);
    show.signal(SIGCONT);
    ASSERT_TRUE(sound.waitUntilHeard(stoppedAt + PLAYED_ON_S, HEARD_LIMIT_MS)) << show.errorOutput();

    const double before = sound.rms(stoppedAt, -PLAYED_ON_S, 0.0);
    const double after = sound.rms(stoppedAt, 0.0, PLAYED_ON_S);
    EXPECT_GT(before, PLAYING_RMS);
    EXPECT_GT(after, before * KEPT_SHARE) << "the show played on in silence";

    x.xdotool("key Escape");
    x.xdotool("key Escape");
    ASSERT_TRUE(show.waitFor(QUIT_LIMIT_MS));
    EXPECT_EQ(show.status(), 0);
    EXPECT_EQ(CapturedSound::withoutDriverLines(show.errorOutput()), "") << "a stop is no loss of the device";
}

}  // namespace
