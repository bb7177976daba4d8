// The show as a user starts it: from any folder, headless, under a real X
// server, without its music or its display, with a wrong command line, and on
// a driver that lacks an extension.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/captured_sound.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb_server.h"

namespace {

const std::string SHOW = SHOW_BINARY;
const std::string DATA = DATA_DIR;
const std::string PROJECT = DATA.substr(0, DATA.rfind('/'));
const std::string TITLE = "Pelmira 15 Advert";
const std::vector<std::string> HEADLESS = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

// Ceilings only: each wait ends as soon as what it waits for happens, so a
// busy machine just takes longer. A quit still comes long before the show
// would end the program by itself.
constexpr int START_LIMIT_MS = 30000;
constexpr int QUIT_LIMIT_MS = 60000;
// The ending would end the program 15.8 s of music after the first Escape, so
// the second one's quit is judged on the music's clock: within this much.
constexpr double QUIT_WITHIN_S = 8.0;
// The title drawn: the window is mapped, has its icon and takes keys. It is
// listed by name from its creation, hidden, before any of that.
constexpr int LIT_LEVEL = 24;
constexpr double TITLE_LIT_SHARE = 0.02;
// Long enough for the show to be under way on an idle machine; on a busy one
// the signal may come while it still loads, which must end it the same way.
constexpr int PLAYING_MS = 1500;

bool titleShown(const std::vector<uint32_t>& screen) { return litShare(screen, LIT_LEVEL) > TITLE_LIT_SHARE; }

// A folder holding a copy of the show and a data folder with every data file
// but the music, so that no folder the show searches holds the music.
std::string copyWithoutMusic() {
    char pattern[] = "/tmp/pelmira-nomusic-XXXXXX";
    std::string dir = mkdtemp(pattern);
    const std::string data = dir + "/data";
    mkdir(data.c_str(), 0755);
    shellOutput("cp '" + SHOW + "' '" + dir + "'/; for f in '" + DATA + "'/*.png; do ln -s \"$f\" '" + data +
                "'/; done");
    return dir;
}

// Started from the root folder, the show still finds its data beside it.
TEST(ShowHeadless, SigtermEndsTheRunNormally) {
    ChildProcess show(SHOW, {}, HEADLESS, "/");
    ASSERT_TRUE(show.started());
    sleepMs(PLAYING_MS);
    ASSERT_TRUE(show.running()) << show.errorOutput();
    show.signal(SIGTERM);
    ASSERT_TRUE(show.waitFor(QUIT_LIMIT_MS)) << "SIGTERM does not end the run";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
}

TEST(ShowHeadless, MissingMusicNamesTheFoldersTriedAndExitsOne) {
    const std::string dir = copyWithoutMusic();
    ChildProcess show(dir + "/pelmira15", {}, HEADLESS, dir + "/data");
    ASSERT_TRUE(show.waitFor(START_LIMIT_MS));
    EXPECT_EQ(show.status(), 1);
    const std::string message = show.errorOutput();
    EXPECT_NE(message.find("data/lunhal-amber_tide.mp3"), std::string::npos) << message;
    EXPECT_NE(message.find(dir + "/data, " + dir + ", /tmp"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    shellOutput("rm -rf '" + dir + "'");
}

// Runs the show with a command line and no display, so that nothing it
// does can open a window; answers its status and what it printed on stdout
// and stderr.
struct Outcome {
    int status;
    std::string out, err;
};
Outcome runWith(const std::string& arguments) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY '" + SHOW + "' " + arguments;
    const std::string err = shellOutput(command + " 2>&1 >/dev/null");
    const std::string out = shellOutput(command + " 2>/dev/null; echo \"status $?\"");
    const size_t status = out.rfind("status ");
    return {std::stoi(out.substr(status + 7)), out.substr(0, status), err};
}

TEST(ShowCommandLine, HelpVersionAndAnythingElseRefusedBeforeAWindowOpens) {
    const Outcome help = runWith("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: pelmira15", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--window"), std::string::npos);
    std::istringstream usage(help.out);
    for (std::string line; std::getline(usage, line);)
        EXPECT_LT(line.size(), 80u) << line;
    const Outcome version = runWith("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pelmira15 ", 0), 0u) << version.out;
    // The value's own word and after '=' are one option: no display, not a wrong line.
    for (const char* display : {"--display 1", "--display=1"})
        EXPECT_EQ(runWith(display).status, 1) << display;
    for (const char* wrong : {"--fullscreen", "extra", "--display", "--display -1", "--display one", "--display=",
                              "--window=yes", "--display=1=2"}) {
        const Outcome refused = runWith(wrong);
        EXPECT_EQ(refused.status, 2) << wrong;
        EXPECT_EQ(refused.out, "") << wrong;
        EXPECT_EQ(refused.err.rfind("pelmira15: ", 0), 0u) << refused.err;
        EXPECT_EQ(refused.err.substr(refused.err.find('\n') + 1),
                  "Try 'pelmira15 --help' for more information.\n")
            << wrong;
    }
}

// SDL alone would fall back to a driver without a display and play to nothing.
TEST(ShowHeadless, ADisplayWithNoServerIsOneLineAndExitOne) {
    const std::string nowhere = ":4711";
    ChildProcess show(SHOW, {}, {"DISPLAY=" + nowhere, "SDL_AUDIODRIVER=dummy"}, "/");
    ASSERT_TRUE(show.waitFor(START_LIMIT_MS));
    EXPECT_EQ(show.status(), 1);
    const std::string message = show.errorOutput();
    EXPECT_NE(message.find("DISPLAY=" + nowhere), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}

// No library adds lines of its own (libwayland complains without XDG_RUNTIME_DIR).
TEST(ShowHeadless, NoDisplayAtAllIsOneLineOfOurs) {
    const std::string said = shellOutput("env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR SDL_AUDIODRIVER=dummy '" +
                                         SHOW + "' 2>&1; echo \"status $?\"");
    EXPECT_EQ(said, "pelmira15: cannot open the window: no display: neither DISPLAY nor WAYLAND_DISPLAY is set "
                    "(set-up stage 1, starting the video system)\nstatus 1\n");
}

// What failed comes first, in the user's words; the stage is for a bug report.
TEST(ShowHeadless, AMonitorThatIsNotThereIsNamedInOneLine) {
    ChildProcess show(SHOW, {"--display", "3"}, HEADLESS, "/");
    ASSERT_TRUE(show.waitFor(START_LIMIT_MS));
    EXPECT_EQ(show.status(), 1);
    EXPECT_EQ(show.errorOutput(), "pelmira15: cannot open the window: no display 3: this desktop has one display, "
                                  "counted from 0 (set-up stage 2, switching the display mode)\n");
}

TEST(ShowUnderX, FullscreenWindowAndTwoEscapesQuit) {
    XvfbServer x;
    ASSERT_TRUE(x.started());
    const CapturedSound sound;
    std::vector<std::string> env = sound.env();
    env.push_back(x.env());
    ChildProcess show(SHOW, {}, env, PROJECT);
    const std::string window = x.waitForWindow(TITLE, START_LIMIT_MS);
    ASSERT_FALSE(window.empty()) << show.errorOutput();
    ASSERT_TRUE(x.waitForScreen(titleShown, START_LIMIT_MS)) << show.errorOutput();
    const std::string geometry = x.xdotool("getwindowgeometry " + window);
    EXPECT_NE(geometry.find("Position: 0,0"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Geometry: 1024x768"), std::string::npos) << geometry;
    EXPECT_NE(x.xdotool("getwindowname " + window).find(TITLE), std::string::npos);
    const std::string icon = shellOutput(x.env() + " xprop -id " + window + " _NET_WM_ICON | head -n 1");
    EXPECT_NE(icon.find("Icon (64 x 64)"), std::string::npos) << "the window carries no icon: " << icon;
    x.xdotool("key Escape");
    sleepMs(300);
    EXPECT_TRUE(show.running()) << "the first Escape only starts the ending";
    x.xdotool("key Escape");
    const double heardAtSecondEscape = sound.heardSeconds();
    ASSERT_TRUE(show.waitFor(QUIT_LIMIT_MS)) << "the second Escape quits";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
    EXPECT_LT(sound.heardSeconds() - heardAtSecondEscape, QUIT_WITHIN_S) << "the ending ended the run, not the Escape";
}

TEST(ShowUnderX, WindowDestroyedFromOutsideEndsTheRunNormally) {
    XvfbServer x;
    ASSERT_TRUE(x.started());
    ChildProcess show(SHOW, {}, {x.env(), "SDL_AUDIODRIVER=dummy"}, PROJECT);
    const std::string window = x.waitForWindow(TITLE, START_LIMIT_MS);
    ASSERT_FALSE(window.empty()) << show.errorOutput();
    ASSERT_TRUE(x.waitForScreen(titleShown, START_LIMIT_MS)) << show.errorOutput();
    x.xdotool("windowclose " + window);
    ASSERT_TRUE(show.waitFor(QUIT_LIMIT_MS)) << "the show hangs once its window is gone";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
}

// The box with no window manager: nothing but the show gives it the focus.
class MissingExtensionBox : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.started());
        show = std::make_unique<ChildProcess>(
            SHOW, std::vector<std::string>{},
            std::vector<std::string>{x.env(), "SDL_AUDIODRIVER=dummy", "MESA_EXTENSION_OVERRIDE=-GL_ARB_multitexture"},
            PROJECT);
        box = x.waitForWindow("no hardware support...", START_LIMIT_MS);
        ASSERT_FALSE(box.empty()) << show->errorOutput();
    }

    XvfbServer x;
    std::unique_ptr<ChildProcess> show;
    std::string box;
};

TEST_F(MissingExtensionBox, ReturnDismissesItAndTheRunExitsOne) {
    const std::string focused = std::to_string(std::stoul(box, nullptr, 16));
    ASSERT_FALSE(waitForOutput(x.env() + " xdotool getwindowfocus 2>/dev/null | grep -x " + focused, START_LIMIT_MS)
                     .empty())
        << "the box never gets the keyboard";
    EXPECT_TRUE(show->running()) << "the box waits to be dismissed";
    x.xdotool("key Return");
    ASSERT_TRUE(show->waitFor(QUIT_LIMIT_MS)) << "dismissing the box ends the run";
    EXPECT_EQ(show->status(), 1);
}

TEST_F(MissingExtensionBox, SigtermClosesItAndTheRunExitsOne) {
    show->signal(SIGTERM);
    ASSERT_TRUE(show->waitFor(QUIT_LIMIT_MS)) << "SIGTERM does not close the box";
    EXPECT_EQ(show->status(), 1);
}

}  // namespace
