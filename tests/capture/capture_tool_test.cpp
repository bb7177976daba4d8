// The recorder as a user runs it: a frame, PNG folders, a video with sound,
// the same range twice, and every way it can fail leaving nothing behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;

const std::string CAPTURE = CAPTURE_BINARY;
const std::string DATA = DATA_DIR;
const std::string PROJECT = DATA.substr(0, DATA.rfind('/'));
constexpr int RUN_LIMIT_MS = 300000;

struct Outcome {
    int status;
    std::string errors;
};

Outcome capture(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    ChildProcess child(CAPTURE, args, env, PROJECT);
    if (!child.started() || !child.waitFor(RUN_LIMIT_MS))
        return {-1, child.errorOutput()};
    return {child.status(), child.errorOutput()};
}

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A scratch folder of the test's own, removed afterwards.
class CaptureTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/capture-tool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string at(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

// A recorder with no data anywhere it looks says so instead of drawing black.
TEST_F(CaptureTool, NoDataAnywhereIsOneLineAndNoFrame) {
    fs::copy_file(CAPTURE, at("pelmira15-capture"));
    fs::permissions(at("pelmira15-capture"), fs::perms::owner_all);
    ChildProcess child(at("pelmira15-capture"), {"--at", "5000", "frame.png"}, {}, dir_.string());
    ASSERT_TRUE(child.waitFor(RUN_LIMIT_MS));
    EXPECT_EQ(child.status(), 1);
    const std::string errors = child.errorOutput();
    EXPECT_EQ(errors.rfind("pelmira15-capture: cannot find data/lunhal-amber_tide.mp3; looked in " + dir_.string(), 0),
              0u)
        << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_FALSE(fs::exists(at("frame.png")));
}

TEST_F(CaptureTool, OneFrameEqualsTheSameFrameOfARecording) {
    const Outcome frame = capture({"--at", "11550", at("frame.png")});
    ASSERT_EQ(frame.status, 0) << frame.errors;
    const Outcome folder = capture({"--fps", "20", "--from", "11500", "--to", "11600", at("frames") + "/"});
    ASSERT_EQ(folder.status, 0) << folder.errors;
    EXPECT_EQ(namesIn(at("frames")),
              (std::vector<std::string>{"audio.wav", "frame_000000.png", "frame_000001.png"}));
    const std::string single = fileBytes(at("frame.png"));
    ASSERT_GT(single.size(), 1000u);
    EXPECT_TRUE(single == fileBytes(at("frames/frame_000001.png"))) << "--at 11550 differs from frame 1";
    EXPECT_FALSE(single == fileBytes(at("frames/frame_000000.png")));
    // 100 ms of 44.1 kHz stereo after the header.
    EXPECT_EQ(fs::file_size(at("frames/audio.wav")), 44u + 4410u * 4u);
}

TEST_F(CaptureTool, TheSameRangeTwiceIsIdenticalFrameForFrame) {
    // Across the moment the five middle scenes start.
    for (const char* name : {"first/", "second/"}) {
        const Outcome run = capture({"--fps", "10", "--from", "11000", "--to", "12000", at(name)});
        ASSERT_EQ(run.status, 0) << run.errors;
    }
    const std::vector<std::string> names = namesIn(at("first"));
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ(names, namesIn(at("second")));
    for (const std::string& name : names)
        EXPECT_TRUE(fileBytes(dir_ / "first" / name) == fileBytes(dir_ / "second" / name)) << name;
}

TEST_F(CaptureTool, VideoHasEveryFrameAndTheSoundAndNoLeftovers) {
    const std::string video = at("clip.mp4");
    const Outcome run = capture({"--fps", "25", "--from", "20000", "--to", "21000", video});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(namesIn(dir_), std::vector<std::string>{"clip.mp4"});
    const std::string streams = shellOutput(
        "ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,nb_read_frames,sample_rate "
        "-of csv=p=0 '" + video + "'");
    EXPECT_NE(streams.find("h264,1024,768,25"), std::string::npos) << streams;
    EXPECT_NE(streams.find("aac,44100"), std::string::npos) << streams;

    const Outcome again = capture({"--fps", "25", "--from", "20000", "--to", "21000", at("again.mp4")});
    ASSERT_EQ(again.status, 0) << again.errors;
    auto frameHashes = [&](const std::string& path) {
        return shellOutput("ffmpeg -v error -i '" + path + "' -map 0:v -f framemd5 - | grep -v '^#'");
    };
    const std::string hashes = frameHashes(video);
    EXPECT_EQ(std::count(hashes.begin(), hashes.end(), '\n'), 25);
    EXPECT_EQ(hashes, frameHashes(at("again.mp4")));
}

TEST_F(CaptureTool, FailuresSayWhyAndLeaveNothing) {
    const Outcome noFfmpeg = capture({"--to", "100", at("a.mp4")}, {"PATH=/nonexistent"});
    EXPECT_NE(noFfmpeg.status, 0);
    EXPECT_NE(noFfmpeg.errors.find("ffmpeg"), std::string::npos) << noFfmpeg.errors;

    const Outcome noFolder = capture({"--to", "100", at("missing/a.mp4")});
    EXPECT_NE(noFolder.status, 0);
    EXPECT_NE(noFolder.errors.find(at("missing/a.mp4")), std::string::npos) << noFolder.errors;

    const Outcome noContext = capture({"--to", "100", at("b.mp4")}, {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"});
    EXPECT_NE(noContext.status, 0);
    EXPECT_NE(noContext.errors.find("window set-up failed"), std::string::npos) << noContext.errors;

    // The encoder runs, but no container goes by that name.
    const Outcome badMux = capture({"--fps", "10", "--from", "20000", "--to", "20100", at("c.nosuchformat")});
    EXPECT_NE(badMux.status, 0);
    EXPECT_NE(badMux.errors.find("c.nosuchformat"), std::string::npos) << badMux.errors;

    const Outcome usage = capture({"--fps", "0", at("d.mp4")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.errors.find("usage:"), std::string::npos) << usage.errors;

    EXPECT_TRUE(namesIn(dir_).empty()) << namesIn(dir_).front();
}

TEST_F(CaptureTool, InterruptedRecordingRemovesWhatItWrote) {
    const std::string video = at("long.mp4");
    ChildProcess child(CAPTURE, {"--fps", "10", video}, {}, PROJECT);
    ASSERT_TRUE(child.started());
    // Interrupt once frames are flowing into the encoder.
    const long long deadline = monotonicMs() + RUN_LIMIT_MS;
    auto flowing = [&] {
        return fs::exists(video + ".video-partial.mkv") && child.errorOutput().find(" frames ") != std::string::npos;
    };
    while (child.running() && !flowing() && monotonicMs() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(child.running()) << "ended before it could be interrupted";
    child.signal(SIGINT);
    ASSERT_TRUE(child.waitFor(RUN_LIMIT_MS));
    EXPECT_NE(child.status(), 0);
    EXPECT_NE(child.errorOutput().find("interrupted"), std::string::npos) << child.errorOutput();
    EXPECT_TRUE(namesIn(dir_).empty()) << namesIn(dir_).front();
}

}  // namespace
