#include "scenes/fade_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/image_scenes/scene_fixtures.h"
#include "tests/support/scripted_player.h"

namespace {

TEST(FadeVolume, FallsLinearlyAndTruncatesTheDoubleProduct) {
    EXPECT_EQ(fadeMasterVolume(0.001f), 254);
    EXPECT_EQ(fadeMasterVolume(0.2f), 203);
    EXPECT_EQ(fadeMasterVolume(0.5f), 127);
    EXPECT_EQ(fadeMasterVolume(1.0f), 0);
}

using FadeSceneTest = SceneRenderTest;

TEST_F(FadeSceneTest, EightLayersKeepOneMinusProgressToTheEighthOfTheFrame) {
    constexpr Rgba GREY = {204, 204, 204, 255};
    ScriptedPlayer player;
    FadeScene fade(player);
    fade.init();
    fillFrame(GREY);
    fade.render(0.25f, 0.0f);
    expectSceneLeftStandardState();
    const int kept = int(std::lround(GREY.r * std::pow(0.75, 8)));
    EXPECT_EQ(Frame(gl).mismatches([&](int, int, uint32_t pixel) {
        return nearColour(pixel, kept, kept, kept, 2);
    }), "");

    fillFrame(GREY);
    fade.render(1.0f, 0.0f);
    expectSceneLeftStandardState();
    EXPECT_EQ(Frame(gl).mismatches([](int, int, uint32_t pixel) {
        return nearColour(pixel, 0, 0, 0, 0);
    }), "");
    fade.destroy();
}

TEST_F(FadeSceneTest, EachRenderSetsTheMasterVolumeOfItsPlayer) {
    ScriptedPlayer player;
    FadeScene fade(player);
    fade.init();
    for (float progress : {0.2f, 0.5f, 1.0f})
        fade.render(progress, 0.0f);
    EXPECT_EQ(player.masterVolumes, (std::vector<int>{203, 127, 0}));
    fade.destroy();
}

}  // namespace
