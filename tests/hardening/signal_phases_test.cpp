// SIGINT, SIGTERM and SIGHUP (and SIGQUIT once) in each phase of the show under a real X
// server: while it loads, during the title, in a mesh half, during the fade
// and during the logo. Each ends the run the normal way, promptly, with
// status 0, the window gone and the screen at its desktop size.
//
// Xvfb offers a single RandR mode, the size of its screen: there is no other
// mode to switch to, so the show's fullscreen mode is the desktop mode and
// what can be checked afterwards is that the screen still has it.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/captured_sound.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb_server.h"

namespace {

namespace fs = std::filesystem;

const std::string SHOW = SHOW_BINARY;
const std::string PROJECT = PROJECT_DIR;
const std::string TITLE = "Pelmira 15 Advert";
const std::string DESKTOP_SIZE = "1024x768";
const std::string SHOW_PROCESS_NAME = "(pelmira15)";
constexpr const char* CAUGHT_SIGNALS_FIELD = "SigCgt:";
constexpr int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Ceilings only: a busy machine may take its time, but a quit still comes
// long before the show would end the program by itself.
constexpr int WINDOW_LIMIT_MS = 30000;
constexpr int HEARD_LIMIT_MS = 60000;
constexpr int QUIT_LIMIT_MS = 60000;
// Promptly, on the music's clock: within this much music of the signal. The
// logo, 15.8 s after the Escape, would end the run itself 10.8 s after the
// signal of phase Logo; a frame and the shutdown take far less.
constexpr double QUIT_WITHIN_S = 8.0;

// While loading, the signal comes as soon as the program catches the
// signals: before its main() runs nothing can, and a signal that early just
// ends the process. Later phases are placed on the show's own clock, the
// music heard so far (SDL's disk driver), so a busy machine that plays
// slowly still gets each signal in its phase.
enum class From { HandlersInstalled, WindowShown };

struct Phase {
    const char* name;
    From from;
    double escapeAtS;  // seconds of music; 0: no Escape
    double signalAtS;
};

// The title runs to 11.5 s, the meshes from there; an Escape fades for 2.5 s,
// then the logo shows.
constexpr Phase PHASES[] = {
    {"Loading", From::HandlersInstalled, 0, 0},
    {"Title", From::WindowShown, 0, 3},
    {"MeshHalf", From::WindowShown, 0, 13},
    {"Fade", From::WindowShown, 1, 2},
    {"Logo", From::WindowShown, 1, 6},
};

struct SignalCase {
    Phase phase;
    int signal;
    const char* signalName;
};

void PrintTo(const SignalCase& signalCase, std::ostream* out) {
    *out << signalCase.signalName << " during " << signalCase.phase.name;
}

std::string screenSize(const XvfbServer& x) {
    const std::string dimensions = shellOutput(x.env() + " xdpyinfo 2>/dev/null | grep dimensions");
    const size_t at = dimensions.find(':');
    if (at == std::string::npos)
        return "";
    const size_t start = dimensions.find_first_not_of(' ', at + 1);
    return dimensions.substr(start, dimensions.find(' ', start) - start);
}

std::string currentMode(const XvfbServer& x) {
    return shellOutput(x.env() + " xrandr 2>/dev/null | awk '/\\*/ {printf \"%s\", $1}'");
}

// The process of this test's child that runs the show, once it has
// exec'd; 0 before.
pid_t showProcess() {
    const std::string self = std::to_string(getpid());
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state, parent;
        if (stat >> pid >> name >> state >> parent && parent == self && name == SHOW_PROCESS_NAME)
            return static_cast<pid_t>(std::stoi(pid));
    }
    return 0;
}

// Whether the process has handlers for every quit signal.
bool catchesQuitSignals(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(CAUGHT_SIGNALS_FIELD, 0) != 0)
            continue;
        const unsigned long long caught = std::stoull(line.substr(std::strlen(CAUGHT_SIGNALS_FIELD)), nullptr, 16);
        for (int signal : QUIT_SIGNALS) {
            if ((caught & 1ull << (signal - 1)) == 0)
                return false;
        }
        return true;
    }
    return false;
}

bool waitForQuitHandlers(int timeoutMs) {
    const long long deadline = monotonicMs() + timeoutMs;
    do {
        const pid_t pid = showProcess();
        if (pid != 0 && catchesQuitSignals(pid))
            return true;
        sleepMs(1);
    } while (monotonicMs() < deadline);
    return false;
}

bool windowExists(const XvfbServer& x) {
    return !shellOutput(x.env() + " xwininfo -root -children 2>/dev/null | grep -F '\"" + TITLE + "\"'").empty();
}

class SignalPhase : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalPhase, EndsTheRunNormallyAndPromptly) {
    const Phase& phase = GetParam().phase;
    XvfbServer x;
    ASSERT_TRUE(x.started());
    ASSERT_EQ(screenSize(x), DESKTOP_SIZE);
    ASSERT_EQ(currentMode(x), DESKTOP_SIZE);

    const CapturedSound sound;
    std::vector<std::string> env = sound.env();
    env.push_back(x.env());
    ChildProcess show(SHOW, {}, env, PROJECT);
    ASSERT_TRUE(show.started());
    if (phase.from == From::HandlersInstalled)
        ASSERT_TRUE(waitForQuitHandlers(WINDOW_LIMIT_MS)) << show.errorOutput();
    else
        ASSERT_FALSE(x.waitForWindow(TITLE, WINDOW_LIMIT_MS).empty()) << show.errorOutput();
    if (phase.escapeAtS > 0) {
        ASSERT_TRUE(sound.waitUntilHeard(phase.escapeAtS, HEARD_LIMIT_MS)) << show.errorOutput();
        x.xdotool("key Escape");
    }
    ASSERT_TRUE(sound.waitUntilHeard(phase.signalAtS, HEARD_LIMIT_MS)) << show.errorOutput();
    ASSERT_TRUE(show.running()) << "ended before the signal: " << show.status() << " " << show.errorOutput();
    const double heardAtSignal = sound.heardSeconds();
    show.signal(GetParam().signal);

    ASSERT_TRUE(show.waitFor(QUIT_LIMIT_MS)) << "the signal does not end the run";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
    EXPECT_LT(sound.heardSeconds() - heardAtSignal, QUIT_WITHIN_S) << "the run did not end promptly";
    EXPECT_EQ(CapturedSound::withoutDriverLines(show.errorOutput()), "");
    EXPECT_FALSE(windowExists(x));
    EXPECT_EQ(screenSize(x), DESKTOP_SIZE);
    EXPECT_EQ(currentMode(x), DESKTOP_SIZE);
}

std::vector<SignalCase> signalCases() {
    const std::pair<int, const char*> signals[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
    std::vector<SignalCase> cases;
    for (const Phase& phase : PHASES)
        for (const auto& [number, name] : signals)
            cases.push_back({phase, number, name});
    // Ctrl-\ takes the same handler, which the loading phase sees installed
    // for every quit signal; one phase shows that it also restores the screen.
    cases.push_back({PHASES[1], SIGQUIT, "SIGQUIT"});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EachPhase, SignalPhase, ::testing::ValuesIn(signalCases()),
                         [](const ::testing::TestParamInfo<SignalCase>& signalCase) {
                             return std::string(signalCase.param.phase.name) + "_" + signalCase.param.signalName;
                         });

}  // namespace
