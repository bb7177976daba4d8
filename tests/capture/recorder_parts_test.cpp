// The recorder's arithmetic and files: frame times and sample cuts in exact
// integers, the command line, the progress it shows, the sound of each
// frame, the WAV it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/capture/audio_cutter.h"
#include "app/capture/capture_options.h"
#include "app/capture/frame_clock.h"
#include "app/capture/frame_times.h"
#include "app/capture/progress_bar.h"
#include "app/capture/wav_file.h"
#include "tests/support/scratch_folder.h"
#include "timeline/ending.h"

namespace {

const FrameRate NTSC{30000, 1001};

TEST(FrameClock, FrameTimesAreExactFractionsFlooredToWholeMs) {
    const FrameSchedule schedule{1000, NTSC, 100000};
    EXPECT_EQ(frameTimeMs(schedule, 0), 1000u);
    EXPECT_EQ(frameTimeMs(schedule, 1), 1033u);  // 33.366... ms
    EXPECT_EQ(frameTimeMs(schedule, 2), 1066u);
    EXPECT_EQ(frameTimeMs(schedule, 3), 1100u);
    // No drift: every 30th frame lands on a whole 1001 ms.
    EXPECT_EQ(frameTimeMs(schedule, 30), 2001u);
    EXPECT_EQ(frameTimeMs(schedule, 90000), 1000u + 3003000u);
}

TEST(FrameClock, CountsTheFramesInsideTheHalfOpenRange) {
    EXPECT_EQ(frameCountBetween(0, 173000, FrameRate{20, 1}), 3460u);
    EXPECT_EQ(frameCountBetween(0, 1000, FrameRate{60, 1}), 60u);
    EXPECT_EQ(frameCountBetween(0, 1001, FrameRate{60, 1}), 61u);  // frame 60 at 1000 ms
    EXPECT_EQ(frameCountBetween(500, 1501, NTSC), 30u);             // frame 30 at 1501 is out
    EXPECT_EQ(frameCountBetween(500, 1502, NTSC), 31u);
    EXPECT_EQ(frameCountBetween(700, 700, FrameRate{60, 1}), 0u);
}

TEST(FrameClock, SamplesPerFrameCarryTheRemainderForward) {
    const FrameSchedule even{0, FrameRate{60, 1}, 60};
    EXPECT_EQ(frameFirstSample(even, 1, 44100), 735u);
    EXPECT_EQ(frameFirstSample(even, 60, 44100), 44100u);

    // 1471.47 samples a frame: each frame gets 1471 or 1472, and 30000
    // frames make exactly 1001 s.
    const FrameSchedule ntsc{0, NTSC, 30000};
    for (uint32_t n = 0; n < 100; ++n) {
        const uint64_t length = frameFirstSample(ntsc, n + 1, 44100) - frameFirstSample(ntsc, n, 44100);
        EXPECT_TRUE(length == 1471 || length == 1472) << "frame " << n << ": " << length;
    }
    EXPECT_EQ(frameFirstSample(ntsc, 30000, 44100), 44100u * 1001u);

    // The start is the track's sample at fromMs, floored.
    EXPECT_EQ(frameFirstSample(FrameSchedule{1, NTSC, 1}, 0, 44100), 44u);
    EXPECT_EQ(frameFirstSample(FrameSchedule{172999, FrameRate{60, 1}, 1}, 0, 44100), 7629255u);
    // Remainders of both terms add up to a whole sample.
    EXPECT_EQ(frameFirstSample(FrameSchedule{5, FrameRate{3, 1}, 9}, 1, 100), 33u);  // 0.5 + 33.33
    EXPECT_EQ(frameFirstSample(FrameSchedule{5, FrameRate{3, 1}, 9}, 2, 100), 67u);  // 0.5 + 66.67
}

// The times of every pass, lead-in first, and how many of them are lead-in.
std::vector<uint32_t> passes(FrameClock clock, int& leadIn) {
    std::vector<uint32_t> times;
    leadIn = 0;
    while (!clock.done()) {
        times.push_back(clock.timeMs());
        leadIn += clock.inLeadIn() ? 1 : 0;
        clock.advance();
    }
    return times;
}

TEST(FrameClock, LeadInReplaysTheStartOfTheShowBeforeALaterFrom) {
    int leadIn = 0;
    EXPECT_EQ(passes(FrameClock(FrameSchedule{0, FrameRate{20, 1}, 2}, false, 0), leadIn),
              (std::vector<uint32_t>{0, 50}));
    EXPECT_EQ(leadIn, 0);
    EXPECT_EQ(passes(FrameClock(FrameSchedule{20000, FrameRate{20, 1}, 2}, false, 0), leadIn),
              (std::vector<uint32_t>{0, 1, 19999, 20000, 20050}));
    EXPECT_EQ(leadIn, 3);
    // An Escape before the start is pressed at its own time.
    EXPECT_EQ(passes(FrameClock(FrameSchedule{20000, FrameRate{20, 1}, 1}, true, 15000), leadIn),
              (std::vector<uint32_t>{0, 1, 15000, 19999, 20000}));
    EXPECT_EQ(leadIn, 4);
    EXPECT_EQ(passes(FrameClock(FrameSchedule{20000, FrameRate{20, 1}, 1}, true, 20000), leadIn),
              (std::vector<uint32_t>{0, 1, 19999, 20000}));
    EXPECT_EQ(passes(FrameClock(FrameSchedule{2, FrameRate{20, 1}, 1}, true, 1), leadIn),
              (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(passes(FrameClock(FrameSchedule{1, FrameRate{20, 1}, 1}, false, 0), leadIn),
              (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(leadIn, 1);
}

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
    args.insert(args.begin(), "pelmira15-capture");
    return parseCaptureOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, DefaultsRecordTheWholeShowAtSixtyFramesWithSound) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"show.mp4"}, options, error)) << error;
    EXPECT_EQ(options.output, CaptureOutput::Video);
    EXPECT_EQ(options.path, "show.mp4");
    EXPECT_EQ(options.plan.schedule.fromMs, 0u);
    EXPECT_EQ(options.plan.schedule.rate.frames, 60u);
    EXPECT_EQ(options.plan.schedule.rate.seconds, 1u);
    EXPECT_EQ(options.plan.schedule.frameCount, 10380u);
    EXPECT_FALSE(options.plan.escape);
    EXPECT_TRUE(options.plan.withAudio);
}

TEST(CaptureOptions, ReadsRangeFractionalRateAndEscape) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--fps", "30000/1001", "--from", "500", "--to", "1502", "--escape-at", "900", "out.mkv"},
                      options, error))
        << error;
    EXPECT_EQ(options.plan.schedule.rate.frames, 30000u);
    EXPECT_EQ(options.plan.schedule.rate.seconds, 1001u);
    EXPECT_EQ(options.plan.schedule.fromMs, 500u);
    EXPECT_EQ(options.plan.schedule.frameCount, 31u);
    EXPECT_TRUE(options.plan.escape);
    EXPECT_EQ(options.plan.escapeAtMs, 900u);
}

TEST(CaptureOptions, AtGivesOneSilentFrame) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--at", "5750", "frame.PNG"}, options, error)) << error;
    EXPECT_EQ(options.output, CaptureOutput::SingleFrame);
    EXPECT_EQ(options.plan.schedule.fromMs, 5750u);
    EXPECT_EQ(options.plan.schedule.frameCount, 1u);
    EXPECT_FALSE(options.plan.withAudio);
}

TEST(CaptureOptions, FolderOutputByTrailingSlashOrExistingFolder) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--to", "1000", "frames/"}, options, error)) << error;
    EXPECT_EQ(options.output, CaptureOutput::PngFolder);
    const std::string folder = makeScratchFolder("capture-options");
    ASSERT_NE(folder, "");
    ASSERT_TRUE(parse({folder.c_str()}, options, error)) << error;
    EXPECT_EQ(options.output, CaptureOutput::PngFolder);
    std::filesystem::remove(folder);
}

TEST(CaptureOptions, RefusesWhatItCannotRecord) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"a.mp4", "b.mp4"},
        {"--bogus", "a.mp4"},
        {"a.mp4", "--to"},
        {"--fps", "0", "a.mp4"},
        {"--fps", "1001", "a.mp4"},
        {"--fps", "30/0", "a.mp4"},
        {"--fps", "30/", "a.mp4"},
        {"--fps", "fast", "a.mp4"},
        {"--from", "-5", "a.mp4"},
        {"--from", "12x", "a.mp4"},
        {"--from", "4294967296", "a.mp4"},
        {"--from", "100", "--to", "100", "a.mp4"},
        {"--from", "173000", "a.mp4"},
        {"--at", "5", "--fps", "30", "a.png"},
        {"--at", "5", "--escape-at", "1", "a.png"},
        {"--at", "173001", "a.png"},
        {"--at", "5", "--crf", "20", "a.png"},
        {"--at", "5", "y.jpg"},
        {"--at", "5", "png"},
        {"a.gif"},
        {"show"},
        {"--escape-at", "173000", "a.mp4"},
        {"--escape-at", "5000", "--to", "5000", "a.mp4"},
        {"--escape-at", "60000", "--from", "75802", "a.mp4"},  // the logo ended it at 75801
        {"--crf", "52", "a.mp4"},
        {"--crf", "64", "a.webm"},
        {"--crf", "20", "--lossless", "a.mkv"},
        {"--crf", "20", "frames/"},
        {"--size", "1920x1080", "frames/"},
        {"--audio-bitrate", "128k", "a.mkv"},
        {"--audio-bitrate", "7k", "a.mp4"},
        {"--audio-bitrate", "4294967296k", "a.mp4"},
        {"--size", "1921x1080", "a.mp4"},
        {"--size", "1920", "a.mp4"},
        {"--size", "8194x8194", "a.mp4"},
        {"--scale-filter", "nearest", "a.mp4"},
        {"--scale-filter", "sinc", "--size", "1920x1080", "a.mp4"},
        {"--force", "a.mp4"},
        {"--force=yes", "frames/"},
        {"--fps=", "a.mp4"},
        {"--fps=30=", "a.mp4"},
    };
    for (const auto& args : bad) {
        CaptureOptions options;
        std::string error;
        std::string line;
        for (const char* arg : args)
            line += std::string(arg) + " ";
        EXPECT_FALSE(parse(args, options, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

// The recorder's refusals of its times, word for word: the page shows the
// same lines under its own names.
TEST(CaptureOptions, RefusesTimesTheShowDoesNotDrawInItsOwnWords) {
    const std::string endAfterEscape = std::to_string(endingQuitMs(60000));
    const std::vector<std::pair<std::vector<const char*>, std::string>> refused = {
        {{"--at", "173001", "a.png"}, "--at lies after the show's end (173000 ms)"},
        {{"--from", "173000", "a.mp4"}, "--from must lie before the show's end (173000 ms)"},
        {{"--from", "100", "--to", "100", "a.mp4"}, "--to must lie after --from"},
        {{"--escape-at", "173000", "a.mp4"}, "--escape-at lies after the show's end (173000 ms)"},
        {{"--escape-at", "5000", "--to", "5000", "a.mp4"},
         "--escape-at lies after --to: the recording would stop before the Escape"},
        {{"--escape-at", "60000", "--from", "75802", "a.mp4"},
         "--from lies after the show's end: after an Escape at 60000 ms it ends at " + endAfterEscape + " ms"},
    };
    for (const auto& [args, expected] : refused) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, options, error)) << expected;
        EXPECT_EQ(expected, error);
    }
}

// The page's one frame: drawn up to the show's very end, after an Escape at
// or before its own time whose ending still lasts.
TEST(FrameTimes, OneFrameTakesAnEscapeUpToItsOwnTime) {
    const FrameTimeNames names = {"?at=", nullptr, "?escape="};
    const uint32_t endMs = endingQuitMs(60000);
    struct Case {
        FrameTimes times;
        std::string error;  // "" when accepted
    };
    const Case cases[] = {
        {{173000, std::nullopt, std::nullopt}, ""},
        {{173001, std::nullopt, std::nullopt}, "?at= lies after the show's end (173000 ms)"},
        {{5000, std::nullopt, 5000}, ""},
        {{5000, std::nullopt, 5001}, "?escape= lies after ?at=: the recording would stop before the Escape"},
        {{1000, std::nullopt, 173000}, "?escape= lies after the show's end (173000 ms)"},
        {{endMs, std::nullopt, 60000}, ""},
        {{endMs + 1, std::nullopt, 60000},
         "?at= lies after the show's end: after an Escape at 60000 ms it ends at " + std::to_string(endMs) + " ms"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(c.error.empty(), checkFrameTimes(c.times, names, error)) << c.times.fromMs;
        EXPECT_EQ(c.error, error) << c.times.fromMs;
    }
}

TEST(CaptureOptions, HelpFitsAnEightyColumnTerminal) {
    std::istringstream usage(CAPTURE_USAGE);
    for (std::string line; std::getline(usage, line);)
        EXPECT_LT(line.size(), 80u) << line;
}

TEST(CaptureOptions, ReadsTheVideoChoicesForTheKindItsNameAsks) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--crf=63", "--audio-bitrate", "96k", "--size=1920x1080", "--scale-filter", "nearest",
                       "--to", "1000", "clip.WebM"},
                      options, error))
        << error;
    ASSERT_NE(options.video.kind, nullptr);
    EXPECT_STREQ(options.video.kind->muxer, "webm");
    EXPECT_EQ(options.video.crf, 63);
    EXPECT_EQ(options.video.audioBitrate, 96000u);
    EXPECT_EQ(options.video.width, 1920);
    EXPECT_EQ(options.video.height, 1080);
    EXPECT_EQ(options.video.scaleFilter, ScaleFilter::Nearest);

    ASSERT_TRUE(parse({"--lossless", "--fps", "30000/1001", "a.mkv"}, options, error)) << error;
    EXPECT_TRUE(options.video.lossless);
    EXPECT_STREQ(options.video.kind->video->name, "libx264");
    EXPECT_EQ(options.video.rate.frames, 30000u);
    EXPECT_EQ(options.video.rate.seconds, 1001u);
    ASSERT_TRUE(parse({"--force", "frames/"}, options, error)) << error;
    EXPECT_TRUE(options.replaceFrames);
}

// The total the progress shows is the frames the recording really gets.
TEST(CaptureOptions, ARangePastTheShowsEndIsCutToItWithANote) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--fps", "2", "--from", "172000", "--to", "190000", "f/"}, options, error)) << error;
    EXPECT_EQ(options.plan.schedule.frameCount, 2u);
    EXPECT_NE(options.note.find("173000 ms"), std::string::npos) << options.note;

    // The logo asks to quit once its progress passes 0.95: first at 75801 ms
    // after an Escape on the frame at 60000, so the frame at 75850 is the last.
    EXPECT_EQ(endingQuitMs(60000), 75801u);
    ASSERT_TRUE(
        parse({"--fps", "20", "--from", "58000", "--to", "90000", "--escape-at", "60000", "f/"}, options, error))
        << error;
    EXPECT_EQ(options.plan.schedule.frameCount, (75850u - 58000u) / 50u + 1u);
    EXPECT_NE(options.note.find("75850 ms"), std::string::npos) << options.note;
    // An Escape before --from is pressed on its own lead-in pass.
    ASSERT_TRUE(parse({"--fps", "2", "--from", "74000", "--escape-at", "60000", "f/"}, options, error)) << error;
    EXPECT_EQ(options.plan.schedule.frameCount, 5u);  // 74000 to 76000
    EXPECT_TRUE(options.note.empty()) << "no --to was cut: " << options.note;
    // Frames too sparse to land inside the logo's window never see it quit.
    ASSERT_TRUE(parse({"--fps", "1/20", "--from", "55000", "--escape-at", "55000", "f/"}, options, error)) << error;
    EXPECT_EQ(options.plan.schedule.frameCount, frameCountBetween(55000, 173000, FrameRate{1, 20}));
}

std::string readAll(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

TEST(ProgressBar, OnATerminalEveryRedrawFitsTheWidth) {
    for (const int columns : {20, 40, 79, 200}) {
        std::FILE* out = std::tmpfile();
        ProgressBar progress(out, 123456, columns);
        for (uint32_t frame = 1; frame <= 3; ++frame)
            progress.update(frame * 10000);
        progress.finish(123456);
        const std::string text = readAll(out);
        std::fclose(out);
        size_t start = 0;
        int redraws = 0;
        for (size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', start)) {
            start = at + 1;
            const size_t end = text.find_first_of("\r\n\033", start);
            ++redraws;
            EXPECT_LT(static_cast<int>(end - start), columns) << text.substr(start, end - start);
        }
        EXPECT_GE(redraws, 2) << text;
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(text.find("\r[") == 0, columns >= 79) << "a bar only where there is room: " << text;
        EXPECT_NE(text.find("123456/123456"), std::string::npos) << text;
    }
}

TEST(ProgressBar, ElsewherePlainLinesAtTheFirstFrameEachTenthAndTheEnd) {
    std::FILE* out = std::tmpfile();
    ProgressBar progress(out, 1000, 0);
    for (uint32_t frame = 1; frame <= 1000; ++frame)
        progress.update(frame);
    progress.finish(1000);
    const std::string text = readAll(out);
    std::fclose(out);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 11u) << text;  // 1, 100, 200 ... 900, and the end
    EXPECT_EQ(lines[0].rfind("pelmira15-capture: 1/1000 frames (0 %)", 0), 0u) << lines[0];
    EXPECT_EQ(lines[9].rfind("pelmira15-capture: 900/1000 frames (90 %)", 0), 0u) << lines[9];
    EXPECT_EQ(lines[10].rfind("pelmira15-capture: 1000/1000 frames in ", 0), 0u) << lines[10];
}

// A 1000 Hz track whose left samples count up and whose right ones count down.
DecodedTrack rampTrack(size_t frames) {
    DecodedTrack track;
    track.sampleRate = 1000;
    for (size_t i = 0; i < frames; ++i) {
        track.samples.push_back(static_cast<int16_t>(i));
        track.samples.push_back(static_cast<int16_t>(-static_cast<int>(i)));
    }
    return track;
}

TEST(AudioCutter, CutsConsecutiveSlicesAndScalesByTheMasterVolume) {
    const DecodedTrack track = rampTrack(1000);
    AudioCutter cutter(track, FrameSchedule{0, FrameRate{3, 1}, 3});
    size_t frames = 0;
    const int16_t* samples = cutter.cut(0, 255, frames);
    ASSERT_EQ(frames, 333u);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[2 * 332], 332);
    samples = cutter.cut(2, 255, frames);
    ASSERT_EQ(frames, 334u);  // the carried third
    EXPECT_EQ(samples[0], 666);
    EXPECT_EQ(samples[1], -666);

    samples = cutter.cut(1, 127, frames);
    EXPECT_EQ(samples[0], 333 * 127 / 255);
    EXPECT_EQ(samples[1], -(333 * 127 / 255));  // truncated toward zero
    samples = cutter.cut(1, 0, frames);
    EXPECT_EQ(samples[0], 0);
    samples = cutter.cut(1, 400, frames);  // clamped to full
    EXPECT_EQ(samples[0], 333);
}

TEST(AudioCutter, PastTheEndOfTheTrackIsSilence) {
    const DecodedTrack track = rampTrack(500);
    AudioCutter cutter(track, FrameSchedule{0, FrameRate{3, 1}, 3});
    size_t frames = 0;
    const int16_t* samples = cutter.cut(1, 255, frames);
    ASSERT_EQ(frames, 333u);
    EXPECT_EQ(samples[2 * 166], 499);
    EXPECT_EQ(samples[2 * 167], 0);
    EXPECT_EQ(samples[2 * 332 + 1], 0);
    samples = cutter.cut(2, 255, frames);
    EXPECT_EQ(samples[0], 0);
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t le32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

TEST(WavFile, HeaderTellsRateAndLengthOfWhatWasAppended) {
    const std::string folder = makeScratchFolder("capture-wav");
    ASSERT_NE(folder, "");
    const std::string path = folder + "/sound.wav";
    WavFile wav;
    std::string error;
    ASSERT_TRUE(wav.open(path, error)) << error;
    const int16_t samples[] = {1, -1, 2, -2, 3, -3};
    ASSERT_TRUE(wav.append(samples, 2));
    ASSERT_TRUE(wav.append(samples + 4, 1));
    ASSERT_TRUE(wav.close(44100, error)) << error;

    const std::string bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 12u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(bytes, 4), 36u + 12u);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(bytes, 24), 44100u);
    EXPECT_EQ(le32(bytes, 28), 44100u * 4u);
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(le32(bytes, 40), 12u);
    EXPECT_EQ(bytes.substr(44), std::string(reinterpret_cast<const char*>(samples), 12));
    std::filesystem::remove_all(folder);
}

TEST(WavFile, DiscardRemovesTheFileAndAMissingFolderIsReported) {
    const std::string folder = makeScratchFolder("capture-wav");
    ASSERT_NE(folder, "");
    const std::string path = folder + "/sound.wav";
    WavFile wav;
    std::string error;
    ASSERT_TRUE(wav.open(path, error));
    wav.discard();
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(folder);

    WavFile nowhere;
    EXPECT_FALSE(nowhere.open("/nonexistent-folder/a.wav", error));
    EXPECT_NE(error.find("/nonexistent-folder/a.wav"), std::string::npos) << error;
}

}  // namespace
