// Fitting a picture into a frame of another size: the filter's values in
// every channel, and where the picture lands among the bars.
#include "gfx/picture_fit.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> fitted(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height,
                            uint32_t frameWidth, uint32_t frameHeight) {
    const std::unique_ptr<uint8_t[]> frame =
        fitPicture(rgba.data(), width, height, frameWidth, frameHeight);
    return std::vector<uint8_t>(frame.get(), frame.get() + size_t{frameWidth} * frameHeight * 4);
}

TEST(FitPicture, ShrinksByAreaAndGrowsBilinearlyInEveryChannel) {
    // Three pixels into two: each target pixel covers one and a half.
    EXPECT_EQ(fitted({0, 255, 60, 0, 90, 165, 60, 90, 180, 75, 60, 180}, 3, 1, 2, 1),
              (std::vector<uint8_t>{30, 225, 60, 30, 150, 105, 60, 150}));
    // Two pixels into four, one row into two: the outer pixels hold the edge.
    const std::vector<uint8_t> row = {0, 255, 60, 0, 50, 205, 60, 50,
                                      150, 105, 60, 150, 200, 55, 60, 200};
    std::vector<uint8_t> twoRows = row;
    twoRows.insert(twoRows.end(), row.begin(), row.end());
    EXPECT_EQ(fitted({0, 255, 60, 0, 200, 55, 60, 200}, 2, 1, 4, 2), twoRows);
}

TEST(FitPicture, CentresThePictureInsideTransparentBlackBars) {
    EXPECT_EQ(fitted({10, 20, 30, 40}, 1, 1, 3, 1),
              (std::vector<uint8_t>{0, 0, 0, 0, 10, 20, 30, 40, 0, 0, 0, 0}));
    struct Case {
        uint32_t width, height;
        FittedRect rect;
    };
    const Case cases[] = {
        {1024, 768, {0, 0, 1024, 768}},   {512, 384, {0, 0, 1024, 768}},
        {1024, 1024, {128, 0, 768, 768}}, {640, 1, {0, 383, 1024, 2}},
        {1, 16384, {511, 0, 1, 768}},
    };
    for (const Case& c : cases) {
        const FittedRect rect = fittedRect(c.width, c.height, 1024, 768);
        EXPECT_EQ(rect.x, c.rect.x) << c.width << "x" << c.height;
        EXPECT_EQ(rect.y, c.rect.y) << c.width << "x" << c.height;
        EXPECT_EQ(rect.width, c.rect.width) << c.width << "x" << c.height;
        EXPECT_EQ(rect.height, c.rect.height) << c.width << "x" << c.height;
    }
}

}  // namespace
