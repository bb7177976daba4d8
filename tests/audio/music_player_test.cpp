#include "audio/stream_music_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "audio/sound_system.h"
#include "audio/volume.h"
#include "tests/audio/audio_fixtures.h"

namespace {

constexpr size_t PATH_FIELD = 100;
// How far the position may run ahead of the wall clock: a driver may take its
// first periods faster than it plays them.
constexpr double EARLY_MS = 60.0;

// The player kind 1 makes, with its fields in view.
std::unique_ptr<StreamMusicPlayer> standardPlayer() {
    return std::unique_ptr<StreamMusicPlayer>(dynamic_cast<StreamMusicPlayer*>(createMusicPlayer(1)));
}

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        useAudioDriver("dummy");
        player = standardPlayer();
        ASSERT_NE(player, nullptr);
    }
    void TearDown() override { player->close(); }

    std::unique_ptr<StreamMusicPlayer> player;
};

TEST(MusicPlayerFactory, KindOneGivesAFreshPlayerAndOtherKindsNone) {
    std::unique_ptr<StreamMusicPlayer> player = standardPlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->stream, nullptr);
    EXPECT_FALSE(player->paused);
    EXPECT_EQ(player->savedTimeMs, 0u);
    EXPECT_EQ(std::string(player->path, PATH_FIELD), std::string(PATH_FIELD, '\0'));
    EXPECT_FALSE(player->unsupportedA(1, 2, 3));
    EXPECT_FALSE(player->unsupportedB(4));
    EXPECT_EQ(createMusicPlayer(0), nullptr);
    EXPECT_EQ(createMusicPlayer(2), nullptr);
}

TEST(MusicPlayerFiles, CallbacksPassOriginsAndResultsOfTheRuntimeThrough) {
    const std::string file = fixturePath("hundred.bin");
    std::ofstream(file, std::ios::binary) << std::string(100, 'x');
    EXPECT_EQ(fileOpen(fixturePath("missing.bin").c_str()), nullptr);
    void* handle = fileOpen(file.c_str());
    ASSERT_NE(handle, nullptr);
    char buffer[100];
    EXPECT_EQ(fileRead(buffer, 10, handle), 10);
    EXPECT_EQ(fileSeek(handle, 20, 0), 0);
    EXPECT_EQ(fileTell(handle), 20);
    EXPECT_EQ(fileSeek(handle, 5, 1), 0);
    EXPECT_EQ(fileTell(handle), 25);
    EXPECT_EQ(fileSeek(handle, -10, 2), 0);
    EXPECT_EQ(fileTell(handle), 90);
    EXPECT_EQ(fileRead(buffer, 50, handle), 10);
    EXPECT_NE(fileSeek(handle, -1000, 0), 0);
    EXPECT_EQ(fileClose(handle), 0);
}

TEST_F(MusicPlayerTest, OpenFailsOnAMissingFileOrTextAndLeavesNoStream) {
    player->init();
    EXPECT_FALSE(player->open(fixturePath("missing.mp3").c_str()));
    EXPECT_EQ(player->stream, nullptr);
    EXPECT_FALSE(player->open(textFile().c_str()));
    EXPECT_EQ(player->stream, nullptr);
}

TEST_F(MusicPlayerTest, ALongPathOpensWholeAndKeepsItsFirstHundredCharacters) {
    const std::string folder = fixturePath(std::string(120, 'd'));
    std::filesystem::create_directory(folder);
    const std::string track = folder + "/track.mp3";
    std::filesystem::copy_file(sweepTrack(), track);
    player->init();
    EXPECT_TRUE(player->open(track.c_str()));
    EXPECT_EQ(std::string(player->path, PATH_FIELD), track.substr(0, PATH_FIELD));
}

TEST_F(MusicPlayerTest, PlaysPausesResumesAndStops) {
    player->init();
    ASSERT_TRUE(player->open(sweepTrack().c_str()));
    player->play();
    EXPECT_FALSE(player->paused);
    EXPECT_EQ(player->savedTimeMs, 0u);
    EXPECT_TRUE(waitUntil([&] { return player->timeMs() > 0; }, REFILL_CEILING_MS));

    player->togglePause();
    EXPECT_TRUE(player->paused);
    const uint32_t saved = player->savedTimeMs;
    EXPECT_GT(saved, 0u);
    sleepMs(100);
    EXPECT_EQ(player->timeMs(), saved);

    const WallClock::time_point resumedAt = WallClock::now();
    player->togglePause();
    EXPECT_FALSE(player->paused);
    EXPECT_EQ(player->savedTimeMs, 0u);
    // Play resumes where it paused: never before it, nor ahead of the time
    // that passed since.
    const std::vector<PositionSample> resumed = watchPositionPast(player->stream, resumedAt, saved + 50,
                                                                  REFILL_CEILING_MS);
    EXPECT_EQ(positionFault(resumed, saved, EARLY_MS), "");
    EXPECT_GT(resumed.back().positionMs, saved + 50);

    player->stop();
    const uint32_t stopped = player->timeMs();
    sleepMs(50);
    EXPECT_EQ(player->timeMs(), stopped);

    player->close();
    EXPECT_EQ(player->timeMs(), 0u);
    player->stop();
    player->play();
}

TEST_F(MusicPlayerTest, SetVolumePassesTheTruncatedProductOnUnclamped) {
    player->init();
    const std::pair<float, int> cases[] = {{0.5f, 127}, {1.0f, 255}, {0.0f, 0}, {1.2f, 306}};
    for (const auto& [level, volume] : cases) {
        player->setVolume(level);
        EXPECT_EQ(soundChannelVolume(0), volume) << "level " << level;
    }
    player->setMasterVolume(100);
    EXPECT_EQ(soundMasterVolume(), 100) << "the master volume is the sound layer's";
    player->setMasterVolume(FULL_VOLUME);
}

TEST_F(MusicPlayerTest, WithoutAStreamEveryOperationIsHarmless) {
    EXPECT_EQ(player->timeMs(), 0u);
    player->play();
    player->togglePause();
    player->togglePause();
    player->stop();
    player->noOperation();
    EXPECT_EQ(player->stream, nullptr);
}

}  // namespace
