// The build installed into a scratch prefix, as a user or a package would
// have it: every file in its place, a desktop entry and manual pages the
// desktop's tools accept, and both programs finding their data from a home
// folder far from the project.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/pictures/png_read_back.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb_server.h"

namespace {

// Ceilings only: each wait ends as soon as the program does.
constexpr int TOOL_LIMIT_MS = 60000;
constexpr int RECORD_LIMIT_MS = 120000;
constexpr int START_LIMIT_MS = 30000;
constexpr int QUIT_LIMIT_MS = 10000;
// A moment for the show to get under way once it has found its data; a
// signal that comes while it still loads ends it the same way.
constexpr int PLAYING_MS = 1500;
// The title picture is on screen then.
constexpr const char* TITLE_MS = "5000";
// Brighter than any dither or fade left on a black screen.
constexpr uint8_t LIT_LEVEL = 32;

const char* const INSTALLED_FILES[] = {
    "bin/pelmira15",
    "bin/pelmira15-capture",
    "share/pelmira15/data/lunhal-amber_tide.mp3",
    "share/pelmira15/data/pelmira.png",
    "share/pelmira15/data/text9.png",
    "share/pelmira15/data/credits2.png",
    "share/applications/pelmira15.desktop",
    "share/icons/hicolor/48x48/apps/pelmira15.png",
    "share/icons/hicolor/256x256/apps/pelmira15.png",
    "share/man/man6/pelmira15.6",
    "share/man/man1/pelmira15-capture.1",
};

struct Outcome {
    int status;
    std::string errors;
};

// Runs a shell command line to its end; its stdout joins its stderr.
Outcome runShell(const std::string& line, const std::vector<std::string>& env, const std::string& folder,
                 int limitMs) {
    ChildProcess child("/bin/sh", {"-c", "exec 1>&2; " + line}, env, folder);
    const bool ended = child.started() && child.waitFor(limitMs);
    return {ended ? child.status() : -1, child.errorOutput()};
}

std::string shellWord(const std::string& text) { return "'" + text + "'"; }

std::string scratchFolder(const char* name) {
    std::string pattern = "/tmp/" + std::string(name) + "-XXXXXX";
    return mkdtemp(pattern.data());
}

class Installed : public testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = scratchFolder("pelmira-prefix");
        home_ = scratchFolder("pelmira-home");
        installed_ = runShell(shellWord(CMAKE_COMMAND) + " --install " + shellWord(BUILD_DIR) + " --prefix " +
                                  shellWord(prefix_),
                              {}, "/", TOOL_LIMIT_MS);
    }
    static void TearDownTestSuite() { shellOutput("rm -rf " + shellWord(prefix_) + " " + shellWord(home_)); }

    void SetUp() override { ASSERT_EQ(installed_.status, 0) << installed_.errors; }

    static std::string at(const std::string& path) { return prefix_ + "/" + path; }

    static std::string prefix_;
    static std::string home_;
    static Outcome installed_;
};

std::string Installed::prefix_;
std::string Installed::home_;
Outcome Installed::installed_;

TEST_F(Installed, EveryFileLiesInItsPlaceAndTheDesktopToolsAcceptThem) {
    for (const char* file : INSTALLED_FILES) {
        struct stat info {};
        EXPECT_EQ(stat(at(file).c_str(), &info), 0) << file << " is not installed";
    }
    EXPECT_EQ(access(at("bin/pelmira15").c_str(), X_OK), 0);

    const Outcome entry = runShell("desktop-file-validate " + shellWord(at("share/applications/pelmira15.desktop")), {},
                                   home_, TOOL_LIMIT_MS);
    EXPECT_EQ(entry.status, 0) << entry.errors;
    EXPECT_EQ(entry.errors, "");

    for (const char* page : {"share/man/man6/pelmira15.6", "share/man/man1/pelmira15-capture.1"}) {
        const Outcome formatted = runShell("groff -man -Tutf8 -ww -z " + shellWord(at(page)), {"LC_ALL=C.UTF-8"},
                                           home_, TOOL_LIMIT_MS);
        EXPECT_EQ(formatted.status, 0) << page << ": " << formatted.errors;
        EXPECT_EQ(formatted.errors, "") << page;
    }
}

TEST_F(Installed, RecorderFindsItsDataFromAnyFolder) {
    const Outcome recorded = runShell(shellWord(at("bin/pelmira15-capture")) + " --at " + TITLE_MS + " frame.png",
                                      {"HOME=" + home_, "SDL_AUDIODRIVER=dummy"}, home_, RECORD_LIMIT_MS);
    ASSERT_EQ(recorded.status, 0) << recorded.errors;

    ReadBackPng frame;
    std::string error;
    ASSERT_TRUE(readBackPng(home_ + "/frame.png", &frame, &error)) << error;
    EXPECT_TRUE(std::any_of(frame.rows.begin(), frame.rows.end(), [](uint8_t value) { return value > LIT_LEVEL; }))
        << "the title frame is black";
}

TEST_F(Installed, ShowFindsItsDataFromAnyFolder) {
    ChildProcess show(at("bin/pelmira15"), {},
                      {"HOME=" + home_, "SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"}, home_);
    ASSERT_TRUE(show.started());
    // Finding its data makes the installed data folder its working directory.
    const std::string dataRoot = at("share/pelmira15");
    const std::string entered = waitForOutput(
        "readlink /proc/" + std::to_string(show.pid()) + "/cwd | grep -Fx " + shellWord(dataRoot), START_LIMIT_MS);
    EXPECT_FALSE(entered.empty()) << "the show never entered " << dataRoot << ": " << show.errorOutput();
    sleepMs(PLAYING_MS);
    show.signal(SIGTERM);
    ASSERT_TRUE(show.waitFor(QUIT_LIMIT_MS)) << "SIGTERM does not end the run";
    EXPECT_EQ(show.status(), 0) << show.errorOutput();
    EXPECT_EQ(show.errorOutput().find("cannot find"), std::string::npos) << show.errorOutput();
}

}  // namespace
