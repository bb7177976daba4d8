// make_music: runs the generator as the build does and decodes what it wrote.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr long SAMPLE_RATE = 44100;
constexpr int EXCERPT_SECONDS = 13;  // the intro and the first beats of the groove
constexpr double SHOW_END_SECONDS = 173.0;
constexpr double TRACK_MIN_SECONDS = 175.0;
constexpr double TRACK_MAX_SECONDS = 180.0;

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved

    size_t frames() const { return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0; }
};

// Decodes the whole file in its own format; an empty result means it did not decode.
Decoded decode(const std::string& path) {
    Decoded out;
    mpg123_init();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr) {
        return out;
    }
    int encoding = 0;
    if (mpg123_open(handle, path.c_str()) == MPG123_OK &&
        mpg123_getformat(handle, &out.rate, &out.channels, &encoding) == MPG123_OK && encoding == MPG123_ENC_SIGNED_16) {
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            size_t bytes = 0;
            const int result = mpg123_read(handle, buffer.data(), buffer.size(), &bytes);
            const auto* first = reinterpret_cast<const int16_t*>(buffer.data());
            out.samples.insert(out.samples.end(), first, first + bytes / sizeof(int16_t));
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
                break;
            }
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return out;
}

// RMS of both channels over [fromSeconds, toSeconds), in dBFS.
double rmsDb(const Decoded& track, double fromSeconds, double toSeconds) {
    const size_t first = static_cast<size_t>(fromSeconds * SAMPLE_RATE) * 2;
    const size_t last = std::min(track.samples.size(), static_cast<size_t>(toSeconds * SAMPLE_RATE) * 2);
    double sum = 0.0;
    for (size_t i = first; i < last; ++i) {
        const double s = track.samples[i] / 32768.0;
        sum += s * s;
    }
    return 10.0 * std::log10(sum / static_cast<double>(last - first) + 1e-20);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

struct RunResult {
    int exitCode;
    std::string errors;
};

class MakeMusicTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "make_music_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }

    void TearDown() override { std::system(("rm -rf '" + directory + "'").c_str()); }

    RunResult run(const std::string& arguments) {
        const std::string errorsPath = directory + "/stderr.txt";
        const int status = std::system((std::string(MAKE_MUSIC_PATH) + " " + arguments + " 2> '" + errorsPath + "'").c_str());
        RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(errorsPath)};
        std::remove(errorsPath.c_str());
        return result;
    }

    std::string excerpt(const std::string& name) {
        const std::string path = directory + "/" + name;
        const RunResult result = run("--seconds " + std::to_string(EXCERPT_SECONDS) + " '" + path + "'");
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_EQ(result.errors, "");
        return path;
    }

    std::string directory;
};

TEST_F(MakeMusicTest, ExcerptIsTheSameBytesOnEveryRunAndLeavesNoTemporaryFile) {
    const std::string first = readFile(excerpt("a.mp3"));
    const std::string second = readFile(excerpt("b.mp3"));
    EXPECT_GT(first.size(), 100000u);
    EXPECT_TRUE(first == second);
    EXPECT_FALSE(exists(directory + "/a.mp3.part"));
}

TEST_F(MakeMusicTest, ExcerptDecodesAsStereoMusicOfTheAskedLength) {
    const Decoded track = decode(excerpt("a.mp3"));
    ASSERT_EQ(track.rate, SAMPLE_RATE);
    ASSERT_EQ(track.channels, 2);
    // Exact to the frame: the encoder's Info frame lets the decoder drop its
    // delay and padding.
    EXPECT_EQ(track.frames(), static_cast<size_t>(EXCERPT_SECONDS * SAMPLE_RATE));

    // Loud enough to hear, with headroom left.
    const double level = rmsDb(track, 0.0, EXCERPT_SECONDS);
    EXPECT_GT(level, -30.0);
    EXPECT_LT(level, -6.0);

    // Music, not a tone: the left and right channels differ (stereo width),
    // and the loudness moves with notes and beats: many 10 ms windows are at
    // least twice as loud as the one before.
    double difference = 0.0;
    for (size_t f = 0; f < track.frames(); ++f) {
        difference += std::fabs(track.samples[2 * f] - track.samples[2 * f + 1]);
    }
    EXPECT_GT(difference / static_cast<double>(track.frames()), 300.0);
    constexpr double WINDOW_SECONDS = 0.01;
    int onsets = 0;
    double previous = rmsDb(track, 0.0, WINDOW_SECONDS);
    for (double t = WINDOW_SECONDS; t + WINDOW_SECONDS < EXCERPT_SECONDS; t += WINDOW_SECONDS) {
        const double current = rmsDb(track, t, t + WINDOW_SECONDS);
        onsets += current > previous + 3.0 ? 1 : 0;
        previous = current;
    }
    EXPECT_GT(onsets, 20);

    // The cut fades out instead of stopping dead.
    EXPECT_LT(rmsDb(track, EXCERPT_SECONDS - 0.03, EXCERPT_SECONDS), level - 20.0);
}

TEST_F(MakeMusicTest, UnwritableOutputFailsWithOneLineAndLeavesNoFile) {
    const std::string path = directory + "/missing/x.mp3";
    const RunResult result = run("--seconds 1 '" + path + "'");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find("make_music: cannot write " + path), std::string::npos) << result.errors;
    EXPECT_EQ(result.errors.find('\n'), result.errors.size() - 1) << result.errors;
    EXPECT_FALSE(exists(path));
    EXPECT_FALSE(exists(path + ".part"));
}

TEST_F(MakeMusicTest, BadArgumentsAreRefusedBeforeAnythingIsWritten) {
    const std::string path = directory + "/x.mp3";
    const std::vector<std::string> refused = {"",
                                              "--seconds 5",
                                              "--seconds 0 " + path,
                                              "--seconds -3 " + path,
                                              "--seconds 2x " + path,
                                              "--seconds 1000 " + path,
                                              "--length 5 " + path,
                                              path + " extra"};
    for (const std::string& arguments : refused) {
        const RunResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_EQ(result.errors.find("make_music"), 0u) << arguments << ": " << result.errors;
        EXPECT_FALSE(exists(path)) << arguments;
    }
}

// The track the build made: long enough for the show, still playing when the
// show ends, louder in its drops than in its intro, and faded out at its end.
TEST(MusicTrack, OutlastsTheShowAndEndsInAFade) {
    const Decoded track = decode(MUSIC_TRACK_PATH);
    ASSERT_EQ(track.rate, SAMPLE_RATE);
    ASSERT_EQ(track.channels, 2);
    const double seconds = static_cast<double>(track.frames()) / SAMPLE_RATE;
    EXPECT_GE(seconds, TRACK_MIN_SECONDS);
    EXPECT_LE(seconds, TRACK_MAX_SECONDS);

    const double intro = rmsDb(track, 0.0, 8.0);
    const double drop = rmsDb(track, 55.0, 75.0);
    EXPECT_GT(drop, intro + 3.0);
    EXPECT_GT(rmsDb(track, SHOW_END_SECONDS - 1.0, SHOW_END_SECONDS), drop - 15.0);
    EXPECT_LT(rmsDb(track, seconds - 0.2, seconds), drop - 40.0);
}

}  // namespace
