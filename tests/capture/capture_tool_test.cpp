// The recorder as a user runs it: a frame, PNG folders, every kind of video
// with its choices, the same range twice, and every way it can fail or be
// stopped leaving nothing behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
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

std::string probe(const std::string& entries, const std::string& path, const std::string& select = "") {
    return shellOutput("ffprobe -v error " + select + " -show_entries " + entries + " -of csv=p=0 '" + path + "'");
}

// How a player is told to read the video's pixels.
std::string colourTags(const std::string& path) {
    return shellOutput("ffprobe -v error -select_streams v -show_entries "
                       "stream=color_space,color_primaries,color_transfer,color_range -of default=nw=1 '" +
                       path + "'");
}
const std::string HD_VIDEO_TAGS = "color_range=tv\ncolor_space=bt709\ncolor_transfer=bt709\ncolor_primaries=bt709\n";
const std::string SRGB_TAGS = "color_range=pc\ncolor_space=gbr\ncolor_transfer=iec61966-2-1\ncolor_primaries=bt709\n";

// One line per video frame: the MD5 of its pixels decoded to RGB.
std::string rgbFrameHashes(const std::string& input) {
    return shellOutput("ffmpeg -v error -i '" + input +
                       "' -map 0:v -f framemd5 -pix_fmt rgb24 - | grep -v '^#' | cut -d, -f6");
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
    // Three frames at 10 fps from 20 s (the tube), with more options, into
    // a file or folder here.
    void recordShort(std::vector<std::string> args, const std::string& output) {
        const std::vector<std::string> range = {"--fps", "10", "--from", "20000", "--to", "20300"};
        args.insert(args.begin(), range.begin(), range.end());
        args.push_back(at(output));
        const Outcome run = capture(args);
        EXPECT_EQ(run.status, 0) << output << ": " << run.errors;
    }
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

// The recorder's player decodes the track itself: its failure is said once,
// with the decoder's reason, in the line that names the track.
TEST_F(CaptureTool, AnUndecodableTrackIsOneLineWithItsReason) {
    fs::copy_file(CAPTURE, at("pelmira15-capture"));
    fs::permissions(at("pelmira15-capture"), fs::perms::owner_all);
    fs::create_directory(at("data"));
    const std::string track = at("data/lunhal-amber_tide.mp3");
    std::ofstream(track, std::ios::binary) << std::string(4000, '\0');
    ChildProcess child(at("pelmira15-capture"), {"--fps", "10", "--from", "20000", "--to", "20300", "out.mp4"}, {},
                       dir_.string());
    ASSERT_TRUE(child.waitFor(RUN_LIMIT_MS));
    EXPECT_EQ(child.status(), 1);
    const std::string errors = child.errorOutput();
    const std::string named = "pelmira15-capture: cannot play " + track + ": ";
    ASSERT_EQ(errors.rfind(named, 0), 0u) << errors;
    EXPECT_GT(errors.find('\n'), named.size()) << "no reason given: " << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_FALSE(fs::exists(at("out.mp4")));
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

// Every output it cannot make is refused with status 2 before the show
// starts: no progress, no file.
TEST_F(CaptureTool, WhatCannotBeWrittenIsRefusedBeforeAnyFrame) {
    // An ffmpeg that runs but encodes nothing.
    fs::create_directory(at("bin"));
    std::ofstream(at("bin/ffmpeg")) << "#!/bin/sh\nexit 1\n";
    fs::permissions(at("bin/ffmpeg"), fs::perms::owner_all);
    std::ofstream(at("file")) << "not a folder";
    struct Refusal {
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string says;
    };
    const Refusal refusals[] = {
        {{at("a.gif")}, {}, "give a file ending in .mp4, .m4v, .mov, .mkv or .webm"},
        {{at("noext")}, {}, "cannot tell what to write"},
        {{"--to", "100", at("missing/a.mp4")}, {}, at("missing/a.mp4")},
        {{"--to", "100", at("file/a.webm")}, {}, at("file/a.webm")},
        {{"--to", "100", at("file/frames/")}, {}, at("file/frames/")},
        {{"--to", "100", at("a.mp4")}, {"PATH=/nonexistent"}, "the ffmpeg package provides it"},
        {{"--to", "100", at("a.webm")}, {"PATH=" + at("bin")}, "cannot encode libvpx-vp9 video with libopus sound"},
        {{"--escape-at", "200000", at("a.mp4")}, {}, "--escape-at lies after the show's end"},
        {{"--fps", "0", at("a.mp4")}, {}, "not '0'\nTry 'pelmira15-capture --help' for more information.\n"},
        {{"--at", "5000", at("y.jpg")}, {}, "give a name ending in .png"},
        // A folder that takes no new file, even for root; the video is named,
        // not a temporary of its own.
        {{"--at", "5000", "/sys/frame.png"}, {}, "cannot write /sys/frame.png: "},
        {{"--to", "100", "/sys/clip.mp4"}, {}, "cannot write /sys/clip.mp4: "},
    };
    for (const Refusal& refusal : refusals) {
        const Outcome run = capture(refusal.args, refusal.env);
        EXPECT_EQ(run.status, 2) << run.errors;
        EXPECT_NE(run.errors.find(refusal.says), std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find(" frames ("), std::string::npos) << "a frame was drawn: " << run.errors;
        EXPECT_EQ(run.errors.find("usage:"), std::string::npos) << run.errors;
    }
    EXPECT_EQ(namesIn(dir_), (std::vector<std::string>{"bin", "file"}));

    // Failing once the recording has begun (the encoder running) leaves
    // nothing either.
    const Outcome noContext =
        capture({"--to", "100", at("b.mp4")}, {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"});
    EXPECT_EQ(noContext.status, 1);
    EXPECT_NE(noContext.errors.find("pelmira15-capture: cannot open the window: "), std::string::npos)
        << noContext.errors;
    EXPECT_EQ(noContext.errors.find(" frames in "), std::string::npos) << "a count of no frames: " << noContext.errors;
    EXPECT_EQ(namesIn(dir_), (std::vector<std::string>{"bin", "file"}));
}

// Each kind in its container with its codecs and the colour tags players
// need to show it right; the MP4 family with its index before the data, so
// a player can start before the whole file is fetched.
TEST_F(CaptureTool, EveryVideoKindIsTheFileItsNameAsksFor) {
    const std::pair<const char*, const char*> kinds[] = {
        {"clip.m4v", "h264,aac,"}, {"clip.mov", "h264,aac,"}, {"clip.mkv", "h264,flac,"}, {"clip.webm", "vp9,opus,"}};
    for (const auto& [name, codecs] : kinds) {
        recordShort({}, name);
        std::string found = probe("stream=codec_name", at(name));
        std::replace(found.begin(), found.end(), '\n', ',');
        EXPECT_EQ(found, codecs) << name;
        EXPECT_EQ(probe("stream=nb_read_frames", at(name), "-count_frames -select_streams v"), "3\n") << name;
        EXPECT_EQ(colourTags(at(name)), HD_VIDEO_TAGS) << name;
    }
    for (const char* name : {"clip.m4v", "clip.mov"}) {
        const std::string bytes = fileBytes(at(name));
        EXPECT_LT(bytes.find("moov"), bytes.find("mdat")) << name;
    }
    EXPECT_EQ(namesIn(dir_), (std::vector<std::string>{"clip.m4v", "clip.mkv", "clip.mov", "clip.webm"}));
}

// 30000/1001 exactly: both rates, and every frame the same number of ticks.
TEST_F(CaptureTool, AFractionalRateIsExactInTheFile) {
    const std::string video = at("ntsc.mp4");
    recordShort({"--fps", "30000/1001"}, "ntsc.mp4");
    EXPECT_EQ(probe("stream=r_frame_rate,avg_frame_rate", video, "-select_streams v"), "30000/1001,30000/1001\n");
    std::istringstream times(shellOutput("ffprobe -v error -select_streams v -show_entries packet=pts -of csv=p=0 '" +
                                         video + "' | sort -n"));
    std::vector<long> pts;
    for (long value; times >> value;)
        pts.push_back(value);
    ASSERT_EQ(pts.size(), 9u);
    for (size_t i = 1; i < pts.size(); ++i)
        EXPECT_EQ(pts[i] - pts[i - 1], pts[1] - pts[0]) << "frame " << i;
    const std::string bytes = fileBytes(video);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

TEST_F(CaptureTool, LosslessVideoDecodesToTheDrawnPixels) {
    recordShort({}, "frames/");
    const std::string drawn = rgbFrameHashes(at("frames/frame_%06d.png"));
    ASSERT_EQ(std::count(drawn.begin(), drawn.end(), '\n'), 3) << drawn;
    for (const char* name : {"exact.mkv", "exact.mp4", "exact.webm"}) {
        recordShort({"--lossless"}, name);
        EXPECT_EQ(rgbFrameHashes(at(name)), drawn) << name;
        EXPECT_EQ(colourTags(at(name)), SRGB_TAGS) << name;
    }
    recordShort({}, "lossy.mp4");
    EXPECT_NE(rgbFrameHashes(at("lossy.mp4")), drawn);
}

TEST_F(CaptureTool, CrfAndSizeChooseQualityAndShape) {
    recordShort({"--crf", "10"}, "fine.mp4");
    recordShort({"--crf", "40"}, "coarse.mp4");
    EXPECT_GT(fs::file_size(at("fine.mp4")), 4 * fs::file_size(at("coarse.mp4")));

    // 1920 x 1080: the 4:3 picture 1440 wide in the middle, black bars.
    recordShort({"--size", "1920x1080"}, "wide.mp4");
    EXPECT_EQ(probe("stream=width,height", at("wide.mp4"), "-select_streams v"), "1920,1080\n");
    shellOutput("ffmpeg -v error -i '" + at("wide.mp4") + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 '" +
                at("wide.rgb") + "'");
    const std::string rgb = fileBytes(at("wide.rgb"));
    ASSERT_EQ(rgb.size(), 1920u * 1080u * 3u);
    auto columnPeak = [&](int x) {
        int peak = 0;
        for (int y = 0; y < 1080; ++y)
            for (int c = 0; c < 3; ++c)
                peak = std::max(peak, static_cast<int>(static_cast<uint8_t>(rgb[(size_t{1920} * y + x) * 3 + c])));
        return peak;
    };
    for (int x : {0, 100, 236, 1684, 1800, 1919})
        EXPECT_LE(columnPeak(x), 2) << "bar column " << x;
    int lit = 0;
    for (int x = 240; x < 1680; x += 40)
        lit += columnPeak(x) > 32;
    EXPECT_GT(lit, 30) << "the picture fills the middle";
}

// A folder's frames of an earlier recording never mix with new ones.
TEST_F(CaptureTool, AFolderWithFramesIsRefusedUnlessForced) {
    const std::vector<std::string> range = {"--fps", "10", "--from", "20000", "--to", "20200"};
    fs::create_directory(at("frames"));
    std::ofstream(at("frames/frame_000099.png")) << "old";
    std::ofstream(at("frames/notes.txt")) << "mine";
    std::vector<std::string> args = range;
    args.push_back(at("frames"));
    const Outcome refused = capture(args);
    EXPECT_EQ(refused.status, 2) << refused.errors;
    EXPECT_NE(refused.errors.find("--force"), std::string::npos) << refused.errors;
    EXPECT_EQ(namesIn(at("frames")), (std::vector<std::string>{"frame_000099.png", "notes.txt"}));

    args.insert(args.begin(), "--force");
    const Outcome forced = capture(args);
    EXPECT_EQ(forced.status, 0) << forced.errors;
    EXPECT_EQ(namesIn(at("frames")),
              (std::vector<std::string>{"audio.wav", "frame_000000.png", "frame_000001.png", "notes.txt"}));
}

// A --to past the end stops where the show does, the total counting the
// ending; every line is plain and the recorder's own.
TEST_F(CaptureTool, ARangePastTheEndStopsWhereTheShowEndsAndSaysSo) {
    const Outcome run = capture({"--fps", "2", "--escape-at", "60000", "--from", "74000", "--to", "90000", at("end/")});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(namesIn(at("end")).size(), 6u);  // 74000 to 76000, and audio.wav
    EXPECT_NE(run.errors.find("show ends with the frame at 76000 ms"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("5/5 frames in "), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find('\r'), std::string::npos) << run.errors;
    std::istringstream lines(run.errors);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.rfind("pelmira15-capture: ", 0), 0u) << line;
}

// Progress lines into a pipe whose reader has gone: the recording goes on.
TEST_F(CaptureTool, AClosedPipeOnStderrIsNotFatal) {
    const std::string video = at("piped.mp4");
    const std::string status = shellOutput("bash -c \"'" + CAPTURE + "' --fps 10 --from 20000 --to 21000 '" + video +
                                           "' 2>&1 >/dev/null | head -c 1 >/dev/null; echo \\${PIPESTATUS[0]}\"");
    EXPECT_EQ(status, "0\n");
    EXPECT_EQ(namesIn(dir_), std::vector<std::string>{"piped.mp4"});
}

// Stopped while frames flow into a video or a folder, by a Ctrl-C that
// reaches the whole job as a terminal sends it: everything it wrote goes,
// the folder it made included, and the last line says so. ffmpeg is the
// recorder's to stop, so its end is no failure of its own.
TEST_F(CaptureTool, InterruptedRecordingRemovesWhatItWrote) {
    for (const std::string& output : {at("long.mp4"), at("frames/")}) {
        ChildProcess child(CAPTURE, {"--fps", "10", output}, {}, PROJECT, ProcessGroup::Own);
        ASSERT_TRUE(child.started());
        const long long deadline = monotonicMs() + RUN_LIMIT_MS;
        auto flowing = [&] { return child.errorOutput().find(" frames ") != std::string::npos; };
        while (child.running() && !flowing() && monotonicMs() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(child.running()) << "ended before it could be interrupted";
        child.signalGroup(SIGINT);
        ASSERT_TRUE(child.waitFor(RUN_LIMIT_MS));
        EXPECT_EQ(child.status(), 1);
        const std::string errors = child.errorOutput();
        EXPECT_EQ(errors.find("ffmpeg"), std::string::npos) << errors;
        EXPECT_EQ(errors.find(" frames in "), std::string::npos) << "a final count after Ctrl-C: " << errors;
        const size_t last = errors.rfind('\n', errors.size() - 2) + 1;
        EXPECT_EQ(errors.substr(last).rfind("pelmira15-capture: interrupted; removed ", 0), 0u) << errors;
        EXPECT_NE(errors.find(output, last), std::string::npos) << errors;
        EXPECT_TRUE(namesIn(dir_).empty()) << output << ": " << namesIn(dir_).front();
    }
}

}  // namespace
