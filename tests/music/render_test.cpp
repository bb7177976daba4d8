// Rendering and writing: an excerpt is the track's start, cut with a fade;
// a failed write leaves nothing behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "tools/music/arrangement.h"
#include "tools/music/mp3_file.h"
#include "tools/music/render.h"
#include "tools/music/synth_dsp.h"

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

TEST(MusicRenderTrack, AnExcerptIsTheStartOfALongerRenderFadedAtTheCut) {
    const size_t shortFrames = secondsToFrames(1.5f);
    const StereoTrack shortCut = renderTrack(shortFrames);
    const StereoTrack longCut = renderTrack(secondsToFrames(3.0f));
    ASSERT_EQ(shortCut.left.size(), shortFrames);
    ASSERT_EQ(shortCut.right.size(), shortFrames);

    // Before the excerpt's fade both renders agree sample for sample.
    const size_t fadeStart = shortFrames - secondsToFrames(0.25f);
    for (size_t f = 0; f < fadeStart; ++f) {
        ASSERT_EQ(shortCut.left[f], longCut.left[f]) << f;
        ASSERT_EQ(shortCut.right[f], longCut.right[f]) << f;
    }
    EXPECT_LT(std::fabs(shortCut.left.back()), 1e-4f);
    EXPECT_LT(std::fabs(shortCut.right.back()), 1e-4f);
    for (size_t f = 0; f < longCut.left.size(); ++f) {
        ASSERT_LE(std::fabs(longCut.left[f]), 1.0f);
        ASSERT_LE(std::fabs(longCut.right[f]), 1.0f);
    }
}

TEST(MusicRenderTrack, TheWholeTrackLastsBeyondTheShowInWholeBars) {
    const double seconds = static_cast<double>(trackFrames()) / SAMPLE_RATE_HZ;
    EXPECT_GE(seconds, 175.0);
    EXPECT_LE(seconds, 180.0);
    EXPECT_EQ(trackFrames() % FRAMES_PER_BAR, 0u);
}

TEST(MusicWriteMp3, AFailedRenameRemovesTheTemporaryFile) {
    std::string directory = testing::TempDir() + "write_mp3_XXXXXX";
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    // A directory in the way: the temporary file is written, the rename fails.
    const std::string blocked = directory + "/track.mp3";
    ASSERT_EQ(mkdir(blocked.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((blocked + "/inside").c_str(), 0700), 0);

    const StereoTrack track = renderTrack(secondsToFrames(0.5f));
    std::string error;
    EXPECT_FALSE(writeMp3(blocked, track, error));
    EXPECT_EQ(error.rfind("cannot write " + blocked, 0), 0u) << error;
    EXPECT_FALSE(exists(blocked + ".part"));

    const std::string good = directory + "/good.mp3";
    EXPECT_TRUE(writeMp3(good, track, error)) << error;
    EXPECT_TRUE(exists(good));
    EXPECT_FALSE(exists(good + ".part"));

    rmdir((blocked + "/inside").c_str());
    rmdir(blocked.c_str());
    unlink(good.c_str());
    rmdir(directory.c_str());
}

}  // namespace
