#include "scenes/picture_scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "base/program_message.h"
#include "content/frame_size.h"
#include "platform/quit_request.h"
#include "scenes/screen_quad.h"
#include "tests/image_scenes/scene_fixtures.h"
#include "timeline/ending.h"

namespace {

// The pictures fill the frame.
constexpr int PICTURE_WIDTH = FRAME_WIDTH;
constexpr int PICTURE_HEIGHT = FRAME_HEIGHT;
constexpr int UPPER_ROWS = 512;
constexpr int BLOCK = 32;
constexpr Rgba EARLIER_DRAWING = {200, 30, 30, 255};

// Blocks of distinct colour and alpha, alpha 0 included.
Rgba blockColour(int bx, int by) {
    return {uint8_t(bx * 37 % 256), uint8_t((by * 53 + 17) % 256), uint8_t((bx + by) * 29 % 256),
            uint8_t((bx * 7 + by * 13) * 11 % 256)};
}

Picture blockPicture() {
    Picture picture(PICTURE_WIDTH, PICTURE_HEIGHT, Rgba{});
    for (int y = 0; y < PICTURE_HEIGHT; ++y)
        for (int x = 0; x < PICTURE_WIDTH; ++x)
            picture.at(x, y) = blockColour(x / BLOCK, y / BLOCK);
    return picture;
}

// View-space y of a picture row on the full-screen quad: rows 0 to 512 span
// the upper quad, rows 512 to 768 the lower one.
float quadY(int row) {
    if (row <= UPPER_ROWS)
        return SCREEN_QUAD_HALF_HEIGHT -
               (SCREEN_QUAD_HALF_HEIGHT - SCREEN_QUAD_SPLIT_Y) * float(row) / UPPER_ROWS;
    return SCREEN_QUAD_SPLIT_Y - (SCREEN_QUAD_SPLIT_Y + SCREEN_QUAD_HALF_HEIGHT) *
                                     float(row - UPPER_ROWS) / (PICTURE_HEIGHT - UPPER_ROWS);
}

float quadX(int column) {
    return -SCREEN_QUAD_HALF_WIDTH + 2.0f * SCREEN_QUAD_HALF_WIDTH * float(column) / PICTURE_WIDTH;
}

// Over black, four copies at colour alpha 0.99 leave c x (1 - (1 - 0.99 x ta)^4).
int compounded(uint8_t channel, uint8_t texelAlpha) {
    const double kept = std::pow(1.0 - 0.99 * texelAlpha / 255.0, 4);
    return int(std::lround(channel * (1.0 - kept)));
}

// Every pixel that shows one block alone holds that block's compounded colour.
// Each of the four passes blends in 8 bits; on llvmpipe their rounding adds
// up to 3 levels at low texel alphas.
constexpr int FOUR_PASS_TOLERANCE = 3;

void expectCompoundedBlocks(const Frame& frame) {
    for (int by = 0; by < PICTURE_HEIGHT / BLOCK; ++by) {
        for (int bx = 0; bx < PICTURE_WIDTH / BLOCK; ++bx) {
            const PixelRect rect = projectRect(quadX(bx * BLOCK), quadY(by * BLOCK),
                                               quadX((bx + 1) * BLOCK), quadY((by + 1) * BLOCK),
                                               SCREEN_QUAD_Z, 1);
            const Rgba c = blockColour(bx, by);
            const std::string bad = frame.mismatchesWithin(rect, [&](int, int, uint32_t pixel) {
                return nearColour(pixel, compounded(c.r, c.a), compounded(c.g, c.a),
                                  compounded(c.b, c.a), FOUR_PASS_TOLERANCE);
            });
            ASSERT_EQ(bad, "") << "block " << bx << ", " << by;
        }
    }
}

bool isBlack(int, int, uint32_t pixel) {
    return nearColour(pixel, 0, 0, 0, 0);
}

template <class Kind, class... Links>
std::unique_ptr<Kind> initialised(Links&... links) {
    auto scene = std::make_unique<Kind>(links...);
    scene->init();
    return scene;
}

TEST(PictureFade, TentsRiseToTheLimitAndFallBackToZero) {
    EXPECT_FLOAT_EQ(titleFadeAlpha(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(titleFadeAlpha(0.5f), 0.99f);
    EXPECT_FLOAT_EQ(titleFadeAlpha(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(titleFadeAlpha(0.125f), 0.5f);
    EXPECT_FLOAT_EQ(logoFadeAlpha(0.5f), 0.99f);
    EXPECT_FLOAT_EQ(logoFadeAlpha(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(logoFadeAlpha(0.0625f), 0.5f);
    EXPECT_NEAR(logoFadeAlpha(0.95f), 0.4f, 1e-6f);
}

using PictureSceneTest = SceneRenderTest;

TEST_F(PictureSceneTest, TitleAtItsPeakCompoundsFourCopiesOverAClearedFrame) {
    ASSERT_TRUE(writePicture("data/pelmira.png", blockPicture()));
    auto title = initialised<TitleScene>();
    glDisable(GL_DEPTH_TEST);  // as the window set-up leaves it for the first frame
    fillFrame(EARLIER_DRAWING);
    title->render(0.5f, 0.0f);
    expectSceneLeftStandardState();
    expectCompoundedBlocks(Frame(gl));
    title->destroy();
}

TEST_F(PictureSceneTest, TitleIsBlackAtBothEndsOfItsWindow) {
    ASSERT_TRUE(writePicture("data/pelmira.png", blockPicture()));
    auto title = initialised<TitleScene>();
    for (float progress : {0.0f, 1.0f}) {
        fillFrame(EARLIER_DRAWING);
        title->render(progress, 0.0f);
        expectSceneLeftStandardState();
        EXPECT_EQ(Frame(gl).mismatches(isBlack), "") << "progress " << progress;
    }
    title->destroy();
}

TEST_F(PictureSceneTest, LogoAtItsPeakCompoundsFourCopiesOverAClearedFrame) {
    ASSERT_TRUE(writePicture("data/drosk_logo.png", blockPicture()));
    bool quitRequested = false;
    auto logo = initialised<LogoScene>(quitRequested);
    fillFrame(EARLIER_DRAWING);
    logo->render(0.5f, 0.0f);
    expectSceneLeftStandardState();
    expectCompoundedBlocks(Frame(gl));
    logo->destroy();
}

TEST_F(PictureSceneTest, LogoRaisesItsQuitFlagOnceProgressPassesTheLimit) {
    bool quitRequested = false;
    auto logo = initialised<LogoScene>(quitRequested);
    for (float progress : {0.5f, 0.9f, LOGO_QUIT_PROGRESS}) {
        logo->render(progress, 0.0f);
        EXPECT_FALSE(quitRequested) << "progress " << progress;
    }
    logo->render(std::nextafter(LOGO_QUIT_PROGRESS, 1.0f), 0.0f);
    EXPECT_TRUE(quitRequested);
    EXPECT_FALSE(takeQuitRequest()) << "the process-wide request is the signals' alone";
    expectSceneLeftStandardState();
    logo->destroy();
}

TEST_F(PictureSceneTest, BackgroundCoversTheFrameBehindNearerGeometry) {
    constexpr Rgba UPPER = {10, 200, 30, 255};
    constexpr Rgba LOWER = {250, 120, 5, 255};
    constexpr float NEAR_Z = -5.0f;
    constexpr float NEAR_HALF = 1.0f;
    Picture picture(PICTURE_WIDTH, PICTURE_HEIGHT, UPPER);
    for (int y = UPPER_ROWS; y < PICTURE_HEIGHT; ++y)
        for (int x = 0; x < PICTURE_WIDTH; ++x)
            picture.at(x, y) = LOWER;
    ASSERT_TRUE(writePicture("data/orvek_new.png", picture));
    auto background = initialised<BackgroundScene>();

    fillFrame(Rgba{});
    glEnable(GL_DEPTH_TEST);
    glColor4ub(EARLIER_DRAWING.r, EARLIER_DRAWING.g, EARLIER_DRAWING.b, 255);
    glBegin(GL_QUADS);
    glVertex3f(-NEAR_HALF, NEAR_HALF, NEAR_Z);
    glVertex3f(NEAR_HALF, NEAR_HALF, NEAR_Z);
    glVertex3f(NEAR_HALF, -NEAR_HALF, NEAR_Z);
    glVertex3f(-NEAR_HALF, -NEAR_HALF, NEAR_Z);
    glEnd();
    background->render(0.5f, 0.0f);
    expectSceneLeftStandardState();

    const PixelRect nearQuad = projectRect(-NEAR_HALF, NEAR_HALF, NEAR_HALF, -NEAR_HALF, NEAR_Z, 1);
    const PixelRect aroundNearQuad =
        projectRect(-NEAR_HALF, NEAR_HALF, NEAR_HALF, -NEAR_HALF, NEAR_Z, -1);
    const PixelRect upperHalf = projectRect(-SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_HALF_HEIGHT,
                                            SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_SPLIT_Y,
                                            SCREEN_QUAD_Z, 0);
    const auto is = [](uint32_t pixel, Rgba c) { return nearColour(pixel, c.r, c.g, c.b, 0); };
    EXPECT_EQ(Frame(gl).mismatches([&](int x, int y, uint32_t pixel) {
        if (nearQuad.contains(x, y))
            return is(pixel, EARLIER_DRAWING);
        if (aroundNearQuad.contains(x, y))
            return true;
        // The nearest-filtered seam may round either way on its own row.
        if (std::abs(y - upperHalf.bottom) <= 1)
            return is(pixel, UPPER) || is(pixel, LOWER);
        return is(pixel, y > upperHalf.bottom ? UPPER : LOWER);
    }), "");
    background->destroy();
}

TEST_F(PictureSceneTest, BackgroundOfAnotherSizeIsFittedToTheFrameInsideBlackBars) {
    constexpr Rgba QUADRANTS[2][2] = {{{230, 20, 20, 255}, {20, 200, 40, 255}},
                                      {{30, 40, 220, 255}, {240, 220, 10, 255}}};
    constexpr Rgba BAR = {0, 0, 0, 255};
    // Columns of the frame the fitted picture spans; what stderr says after
    // the file's full path ("" for no line at all).
    struct Case {
        int width, height;
        int left, right;
        const char* message;
    };
    const Case cases[] = {
        {PICTURE_WIDTH, PICTURE_HEIGHT, 0, PICTURE_WIDTH, ""},
        {512, 384, 0, PICTURE_WIDTH, " is 512x384, not 1024x768: scaled to 1024x768"},
        {1024, 1024, 128, 896,
         " is 1024x1024, not 1024x768: scaled to 768x768 inside black bars"},
    };
    const std::string path = "data/orvek_new.png";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Picture picture(c.width, c.height, Rgba{});
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                picture.at(x, y) = QUADRANTS[2 * y / c.height][2 * x / c.width];
        ASSERT_TRUE(writePicture(path, picture));
        testing::internal::CaptureStderr();
        auto background = initialised<BackgroundScene>();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said, *c.message == '\0' ? std::string()
                                           : std::string(programName()) + ": " +
                                                 (std::filesystem::current_path() / path).string() +
                                                 c.message + "\n");

        fillFrame(EARLIER_DRAWING);
        glEnable(GL_DEPTH_TEST);
        background->render(0.5f, 0.0f);
        expectSceneLeftStandardState();
        const Frame frame(gl);
        // Every region away from its edges holds its colour exactly.
        const auto expectRegion = [&](int left, int top, int right, int bottom, Rgba colour) {
            const PixelRect rect =
                projectRect(quadX(left), quadY(top), quadX(right), quadY(bottom), SCREEN_QUAD_Z, 2);
            EXPECT_EQ(frame.mismatchesWithin(rect, [&](int, int, uint32_t pixel) {
                return nearColour(pixel, colour.r, colour.g, colour.b, 0);
            }), "") << "columns " << left << " to " << right << ", rows " << top << " to " << bottom;
        };
        const int middle = (c.left + c.right) / 2;
        const int halfHeight = PICTURE_HEIGHT / 2;
        expectRegion(c.left, 0, middle, halfHeight, QUADRANTS[0][0]);
        expectRegion(middle, 0, c.right, halfHeight, QUADRANTS[0][1]);
        expectRegion(c.left, halfHeight, middle, PICTURE_HEIGHT, QUADRANTS[1][0]);
        expectRegion(middle, halfHeight, c.right, PICTURE_HEIGHT, QUADRANTS[1][1]);
        if (c.left > 0) {
            expectRegion(0, 0, c.left, PICTURE_HEIGHT, BAR);
            expectRegion(c.right, 0, PICTURE_WIDTH, PICTURE_HEIGHT, BAR);
        }
        background->destroy();
    }
}

}  // namespace
