#include "scenes/text_slides_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/image_scenes/scene_fixtures.h"

namespace {

TEST(TextSlideAt, PicksTheSlideAndItsFadeFromProgress) {
    struct Case {
        float progress;
        int index;
        int alpha;
    };
    const Case cases[] = {
        {0.0f, 0, 0},            {1.0f / 36.0f, 0, 255}, {0.5f, 4, 255},
        {0.875f / 9.0f, 0, 127}, {1.0f, 0, 0},           {2.714f, 6, 255},
    };
    for (const Case& c : cases) {
        const TextSlideFrame frame = textSlideAt(c.progress);
        EXPECT_EQ(frame.index, c.index) << "progress " << c.progress;
        EXPECT_EQ(frame.alpha, c.alpha) << "progress " << c.progress;
    }
}

TEST(TextSlideAt, StaysInRangeForProgressOutsideTheShow) {
    EXPECT_EQ(textSlideAt(-0.5f).index, 4);
    EXPECT_EQ(textSlideAt(-1e-30f).index, 8);
    EXPECT_EQ(textSlideAt(NAN).index, 0);
    EXPECT_EQ(textSlideAt(INFINITY).alpha, 0);
}

Rgba slideColour(int k) {
    return {uint8_t(40 + 20 * k), uint8_t(200 - 15 * k), uint8_t(100 + 10 * k), 255};
}

using TextSlidesSceneTest = SceneRenderTest;

TEST_F(TextSlidesSceneTest, TheSlideLandsInItsRectangleAndNowhereElse) {
    for (int k = 0; k < TEXT_SLIDE_COUNT; ++k)
        ASSERT_TRUE(writePicture("data/text" + std::to_string(k + 1) + ".png",
                             Picture(64, 64, slideColour(k))));
    TextSlidesScene slides;
    slides.init();
    fillFrame(Rgba{});
    slides.render(0.5f, 0.0f);
    expectSceneLeftStandardState();

    const Rgba shown = slideColour(4);
    const PixelRect inside = projectRect(-0.1f, 0.805f, 1.6f, -0.83f, -3.0f, 1);
    const PixelRect around = projectRect(-0.1f, 0.805f, 1.6f, -0.83f, -3.0f, -1);
    EXPECT_EQ(Frame(gl).mismatches([&](int x, int y, uint32_t pixel) {
        if (inside.contains(x, y))
            return nearColour(pixel, shown.r, shown.g, shown.b, 1);
        return around.contains(x, y) || nearColour(pixel, 0, 0, 0, 0);
    }), "");
    slides.destroy();
}

}  // namespace
