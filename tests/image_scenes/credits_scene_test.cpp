#include "scenes/credits_scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "tests/image_scenes/scene_fixtures.h"

namespace {

constexpr int STRIP_WIDTH = 64;
constexpr int ROWS_PER_STRIP = 128;  // about one texel per pixel on screen

Rgba lowerStripColour(int strip) {
    return {uint8_t(50 + 40 * strip), uint8_t(220 - 30 * strip), uint8_t(90), 255};
}

// Five strips of distinct colour stacked from the top.
Picture lowerStrips() {
    Picture picture(STRIP_WIDTH, 5 * ROWS_PER_STRIP, Rgba{});
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.at(x, y) = lowerStripColour(y / ROWS_PER_STRIP);
    return picture;
}

bool isBlack(int, int, uint32_t pixel) {
    return nearColour(pixel, 0, 0, 0, 0);
}

using CreditsSceneTest = SceneRenderTest;

TEST_F(CreditsSceneTest, StepsPickTheStripsOfBothLines) {
    CreditsScene credits;
    credits.init();
    EXPECT_FLOAT_EQ(credits.lowerLine.stripHeight, 0.2f);
    EXPECT_FLOAT_EQ(credits.upperLine.stripHeight, 1.0f / 3.0f);
    struct Case {
        float progress;
        int step;
        float lowerTop;
        float upperTop;
    };
    const Case cases[] = {
        {0.0f, 0, 0.0f, 0.0f},
        {0.5f, 2, 0.4f, 1.0f / 3.0f},
        {0.9f, 4, 0.8f, 2.0f / 3.0f},
        {1.05f, 0, 0.0f, 0.0f},
        {-1e-30f, 4, 0.8f, 2.0f / 3.0f},
    };
    for (const Case& c : cases) {
        const int step = creditsStep(c.progress, credits.lowerLine.stripCount);
        EXPECT_EQ(step, c.step) << "progress " << c.progress;
        EXPECT_FLOAT_EQ(creditsStripTop(credits.lowerLine, step), c.lowerTop);
        EXPECT_FLOAT_EQ(creditsStripTop(credits.upperLine, step), c.upperTop);
    }
    credits.destroy();
}

TEST(CreditsPulse, SpreadsInTheMiddleOfAStepAndClosesAtItsEdges) {
    const CreditsPulse edge = creditsPulse(0.0f, CREDITS_STEPS);
    EXPECT_FLOAT_EQ(edge.w, 0.0f);
    EXPECT_FLOAT_EQ(edge.a, 1.0f);
    const CreditsPulse middle = creditsPulse(0.5f, CREDITS_STEPS);
    EXPECT_FLOAT_EQ(middle.w, 0.5f);
    EXPECT_FLOAT_EQ(middle.a, 0.5f);
    const CreditsPulse quarter = creditsPulse(0.05f, CREDITS_STEPS);
    EXPECT_NEAR(quarter.w, 0.02697f, 1e-5f);
    EXPECT_NEAR(quarter.a, 0.97303f, 1e-5f);
    EXPECT_EQ(int(15 * quarter.a), 14);
    EXPECT_EQ(int(31 * quarter.a), 30);
    EXPECT_NEAR(31 * quarter.w - 0.4f, 0.4361f, 1e-4f);
    const CreditsPulse nextCycle = creditsPulse(1.05f, CREDITS_STEPS);
    EXPECT_NEAR(nextCycle.w, quarter.w, 1e-6f);
}

TEST_F(CreditsSceneTest, LowerLineShowsItsStripInItsRectangle) {
    ASSERT_TRUE(writePicture("data/credits2.png", lowerStrips()));
    ASSERT_TRUE(writePicture("data/credits.png", Picture(STRIP_WIDTH, 3 * ROWS_PER_STRIP, Rgba{})));
    CreditsScene credits;
    credits.init();
    fillFrame(Rgba{});
    glEnable(GL_DEPTH_TEST);
    credits.render(0.5f, 0.0f);
    expectSceneLeftStandardState();

    // Strip 2 of the lower line, its quad translated by the line's position.
    const Rgba shown = lowerStripColour(2);
    const PixelRect inside = projectRect(-1.65f, -0.97f, 0.35f, -1.37f, -3.0f, 2);
    const PixelRect around = projectRect(-1.65f, -0.97f, 0.35f, -1.37f, -3.0f, -1);
    EXPECT_EQ(Frame(gl).mismatches([&](int x, int y, uint32_t pixel) {
        if (inside.contains(x, y))
            return nearColour(pixel, shown.r, shown.g, shown.b, 1);
        return around.contains(x, y) || isBlack(x, y, pixel);
    }), "");
    credits.destroy();
}

TEST_F(CreditsSceneTest, UpperLayersAddUpAndSpreadAcrossTheViewMidStep) {
    ASSERT_TRUE(writePicture("data/credits2.png", Picture(STRIP_WIDTH, 5 * ROWS_PER_STRIP, Rgba{})));
    ASSERT_TRUE(writePicture("data/credits.png",
                         Picture(STRIP_WIDTH, 3 * ROWS_PER_STRIP, Rgba{255, 255, 255, 255})));
    CreditsScene credits;
    credits.init();
    glEnable(GL_DEPTH_TEST);

    // At a step's edge the 32 layers coincide; their alphas 0 to 31 add up
    // to far more than full white.
    fillFrame(Rgba{});
    credits.render(0.0f, 0.0f);
    expectSceneLeftStandardState();
    const PixelRect inside = projectRect(-1.05f, -0.85f, -0.25f, -1.05f, -3.0f, 1);
    const PixelRect around = projectRect(-1.05f, -0.85f, -0.25f, -1.05f, -3.0f, -1);
    EXPECT_EQ(Frame(gl).mismatches([&](int x, int y, uint32_t pixel) {
        if (inside.contains(x, y))
            return nearColour(pixel, 255, 255, 255, 0);
        return around.contains(x, y) || isBlack(x, y, pixel);
    }), "");

    // Mid-step the mirrored layers reach past both edges of the view.
    fillFrame(Rgba{});
    credits.render(0.5f, 0.0f);
    const int bandY = (inside.bottom + inside.top) / 2;
    EXPECT_GT(red(gl.pixel(0, bandY)), 0);
    EXPECT_GT(red(gl.pixel(HeadlessGl::WIDTH - 1, bandY)), 0);
    EXPECT_EQ(red(gl.pixel(0, inside.top + 3)), 0);
    expectSceneLeftStandardState();
    credits.destroy();
}

// Three strips of 256 rows make a picture 768 rows high, the height that
// full-screen pictures split at: the upper line must still show every strip.
TEST_F(CreditsSceneTest, UpperLineOf768RowsShowsEachOfItsThreeStrips) {
    constexpr int TALL_STRIP_ROWS = 256;
    constexpr Rgba STRIPS[] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    Picture picture(STRIP_WIDTH, 3 * TALL_STRIP_ROWS, Rgba{});
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.at(x, y) = STRIPS[y / TALL_STRIP_ROWS];
    ASSERT_TRUE(writePicture("data/credits.png", picture));
    ASSERT_TRUE(writePicture("data/credits2.png", Picture(STRIP_WIDTH, 5 * ROWS_PER_STRIP, Rgba{})));
    CreditsScene credits;
    credits.init();
    glEnable(GL_DEPTH_TEST);
    // Steps 0, 2 and 4 show strips 0, 1 and 2, their layers saturating.
    const PixelRect inside = projectRect(-1.05f, -0.85f, -0.25f, -1.05f, -3.0f, 1);
    const struct {
        float progress;
        Rgba colour;
    } steps[] = {{0.0f, STRIPS[0]}, {0.4f, STRIPS[1]}, {0.8f, STRIPS[2]}};
    for (const auto& step : steps) {
        fillFrame(Rgba{});
        credits.render(step.progress, 0.0f);
        expectSceneLeftStandardState();
        EXPECT_EQ(Frame(gl).mismatchesWithin(inside, [&](int, int, uint32_t pixel) {
            return nearColour(pixel, step.colour.r, step.colour.g, step.colour.b, 0);
        }), "") << "progress " << step.progress;
    }
    credits.destroy();
}

}  // namespace
