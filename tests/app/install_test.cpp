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

// Ceilings only: each wait ends as soon as the program does. A quit still
// comes long before the show would end by itself.
constexpr int TOOL_LIMIT_MS = 60000;
constexpr int RECORD_LIMIT_MS = 120000;
constexpr int START_LIMIT_MS = 30000;
constexpr int QUIT_LIMIT_MS = 60000;
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

// `make install` as root in a tree another user owns, as `sudo make install`
// runs: it copies what that user built, stripped, and builds nothing.
class MakeInstall : public testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "only root's make install differs";
        stage_ = scratchFolder("pelmira-stage");
    }
    void TearDown() override {
        if (!stage_.empty())
            shellOutput("rm -rf " + shellWord(stage_));
    }

    static Outcome makeInstallAsRoot(const std::string& buildDir, const std::string& stage) {
        return runShell("make --no-print-directory -C " + shellWord(SOURCE_DIR) + " install TREE_OWNER=" +
                            SOMEONE_ELSE + " BUILD_DIR=" + shellWord(buildDir) + " PREFIX=/usr DESTDIR=" +
                            shellWord(stage),
                        // Not a sub-make of whatever make runs the tests.
                        {"MAKEFLAGS=", "MAKELEVEL="}, "/", TOOL_LIMIT_MS);
    }

    static std::string shell(const std::string& line) { return shellOutput(line + " 2>&1"); }

    // The user nobody, who owns no file of ours.
    static constexpr const char* SOMEONE_ELSE = "65534";
    std::string stage_;
};

TEST_F(MakeInstall, RootInAUsersBuiltTreeOnlyCopiesStrippedPrograms) {
    const std::string build = BUILD_DIR;
    const std::string listing = "ls -l --time-style=full-iso " + shellWord(build + "/build.ninja") + " " +
                                shellWord(build + "/CMakeCache.txt") + " " + shellWord(build + "/pelmira15");
    const std::string before = shell(listing);

    const Outcome installed = makeInstallAsRoot(build, stage_);
    ASSERT_EQ(installed.status, 0) << installed.errors;

    EXPECT_EQ(shell(listing), before) << "the tree was configured or built again";
    EXPECT_EQ(shell("stat -c %u " + shellWord(build + "/install_manifest.txt")), std::string(SOMEONE_ELSE) + "\n");
    for (const char* program : {"/usr/bin/pelmira15", "/usr/bin/pelmira15-capture"}) {
        const std::string sections = shell("readelf -S " + shellWord(stage_ + program));
        EXPECT_NE(sections.find(".text"), std::string::npos) << program << ": " << sections;
        EXPECT_EQ(sections.find(".debug_info"), std::string::npos) << program << " is not stripped";
    }
}

TEST_F(MakeInstall, RootInAUsersUnbuiltTreeAsksForTheBuildFirst) {
    const std::string empty = scratchFolder("pelmira-unbuilt");
    const Outcome installed = makeInstallAsRoot(empty, stage_);
    EXPECT_NE(installed.status, 0);
    EXPECT_NE(installed.errors.find("run 'make build' first"), std::string::npos) << installed.errors;
    EXPECT_EQ(shell("find " + shellWord(empty) + " " + shellWord(stage_) + " -mindepth 1"), "")
        << "it wrote into the unbuilt tree or installed something";
    shellOutput("rm -rf " + shellWord(empty));
}

// The build that `make install` runs in a tree of its own makes the programs
// and their data, and none of the tests or fuzzers.
TEST(InstallTarget, BuildsTheProgramsAndDataOnly) {
    if (shellOutput("test -f " + shellWord(std::string(BUILD_DIR) + "/build.ninja") + " && echo ninja").empty())
        GTEST_SKIP() << "the tree is not built with ninja";
    std::string commands = shellOutput("ninja -C " + shellWord(BUILD_DIR) + " -t commands installable");
    // The folders' own names could hold the words looked for below.
    for (const std::string folder : {BUILD_DIR, SOURCE_DIR})
        for (size_t at = commands.find(folder); at != std::string::npos; at = commands.find(folder, at))
            commands.replace(at, folder.size(), "<tree>");
    EXPECT_NE(commands.find("-o pelmira15 "), std::string::npos) << commands;
    EXPECT_NE(commands.find("-o pelmira15-capture "), std::string::npos);
    EXPECT_NE(commands.find("make_pictures"), std::string::npos);
    EXPECT_EQ(commands.find("/tests/"), std::string::npos) << "it builds tests";
    EXPECT_EQ(commands.find("fuzz"), std::string::npos) << "it builds fuzzers";
}

}  // namespace
