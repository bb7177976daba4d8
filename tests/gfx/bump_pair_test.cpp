// The emboss pair: a grey, contrast-stretched copy of the picture in slot 1
// and its inverse in slot 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "tests/gfx/png_fixture.h"
#include "tests/gfx/texture_readback.h"

namespace {

constexpr float CONTRAST = 3.5f;

class BumpPair : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sharedGl().ok()); }

    TexturePtr loadUploaded(const PngImage& image) {
        std::string path = dir.file("height.png");
        writePng(path, image);
        TexturePtr texture = loadTexture(path, 1);
        EXPECT_NE(texture->pixels, nullptr);
        texture->upload();
        return texture;
    }

    ScratchDir dir;
};

TEST_F(BumpPair, StretchesGreyKeepsAlphaAndInvertsEverything) {
    PngImage image = imageOf(6, 2, 1, {200, 100, 30, 110, 128, 128, 128, 7});
    TexturePtr texture = loadUploaded(image);
    ASSERT_NE(texture->pixels, nullptr);
    texture->makeBumpPair(CONTRAST);

    TextureImage bump = readTexture(texture->names[TEXTURE_SLOT_BUMP]);
    EXPECT_EQ(bump.rgba, (std::vector<uint8_t>{65, 65, 65, 110, 128, 128, 128, 7}));
    EXPECT_EQ(bump.minFilter, GL_LINEAR);
    EXPECT_EQ(bump.magFilter, GL_LINEAR);
    TextureImage inverted = readTexture(texture->names[TEXTURE_SLOT_BUMP_INVERTED]);
    EXPECT_EQ(inverted.rgba, (std::vector<uint8_t>{190, 190, 190, 145, 127, 127, 127, 248}));
    EXPECT_EQ(inverted.minFilter, GL_LINEAR);
    EXPECT_EQ(inverted.magFilter, GL_LINEAR);
    EXPECT_EQ(std::memcmp(texture->pixels, inverted.rgba.data(), inverted.rgba.size()), 0);
    EXPECT_EQ(readTexture(texture->names[TEXTURE_SLOT_PICTURE]).rgba,
              (std::vector<uint8_t>{200, 100, 30, 110, 128, 128, 128, 7}));
}

TEST_F(BumpPair, LeavesTheInvertedTextureBound) {
    TexturePtr texture = loadUploaded(imageOf(2, 1, 1, {1, 2, 3}));
    texture->makeBumpPair(CONTRAST);
    EXPECT_EQ(boundTexture(), texture->names[TEXTURE_SLOT_BUMP_INVERTED]);
}

// Row 0 holds grey g = x; row 1 holds (g, g + 1, g + 1), whose mean rounds
// down to g as well. Alpha comes from brightness, so it is g too.
TEST_F(BumpPair, MapsEveryGreyValueLikeSinglePrecisionStretching) {
    std::vector<uint16_t> samples;
    for (uint16_t g = 0; g < 256; ++g)
        samples.insert(samples.end(), {g, g, g});
    for (uint16_t g = 0; g < 256; ++g) {
        auto above = uint16_t(std::min(g + 1, 255));
        samples.insert(samples.end(), {g, above, above});
    }
    TexturePtr texture = loadUploaded(imageOf(2, 256, 2, samples));
    ASSERT_NE(texture->pixels, nullptr);
    texture->makeBumpPair(CONTRAST);
    TextureImage bump = readTexture(texture->names[TEXTURE_SLOT_BUMP]);
    TextureImage inverted = readTexture(texture->names[TEXTURE_SLOT_BUMP_INVERTED]);
    ASSERT_EQ(bump.rgba.size(), size_t{256 * 2 * 4});

    std::vector<int> mapped(256);
    for (int row = 0; row < 2; ++row)
        for (int g = 0; g < 256; ++g) {
            SCOPED_TRACE(testing::Message() << "row " << row << ", grey " << g);
            float x = std::clamp(static_cast<float>(g - 128) * CONTRAST, -128.0f, 127.0f);
            auto expected = static_cast<uint8_t>(x + 128.0f);
            const uint8_t* texel = &bump.rgba[size_t(row * 256 + g) * 4];
            const uint8_t* inverse = &inverted.rgba[size_t(row * 256 + g) * 4];
            EXPECT_EQ((Rgba{texel[0], texel[1], texel[2], texel[3]}),
                      (Rgba{expected, expected, expected, uint8_t(g)}));
            for (int channel = 0; channel < 4; ++channel)
                EXPECT_EQ(inverse[channel], 255 - texel[channel]);
            mapped[size_t(g)] = texel[0];
        }
    const std::map<int, int> landmarks = {{0, 0},     {91, 0},    {92, 2},    {100, 30},
                                          {127, 124}, {128, 128}, {129, 131}, {164, 254},
                                          {165, 255}, {255, 255}};
    for (const auto& [grey, byte] : landmarks)
        EXPECT_EQ(mapped[size_t(grey)], byte) << "grey " << grey;
}

TEST_F(BumpPair, SplitPictureGetsWholePairAndDeletesAllFourNames) {
    std::vector<uint16_t> samples;
    for (uint32_t y = 0; y < 768; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            samples.insert(samples.end(), {uint16_t(y & 0xff), uint16_t(x * 60), 90});
    TexturePtr texture = loadUploaded(imageOf(2, 4, 768, samples));
    std::vector<uint8_t> lowerBefore = readTexture(texture->names[TEXTURE_SLOT_PICTURE_LOWER]).rgba;
    texture->makeBumpPair(CONTRAST);

    TextureImage bump = readTexture(texture->names[TEXTURE_SLOT_BUMP]);
    EXPECT_EQ(bump.width, 4);
    EXPECT_EQ(bump.height, 768);
    EXPECT_EQ(readTexture(texture->names[TEXTURE_SLOT_PICTURE_LOWER]).rgba, lowerBefore);

    const int slots[] = {TEXTURE_SLOT_PICTURE, TEXTURE_SLOT_PICTURE_LOWER, TEXTURE_SLOT_BUMP,
                         TEXTURE_SLOT_BUMP_INVERTED};
    std::vector<GLuint> made;
    for (int slot : slots)
        made.push_back(texture->names[slot]);
    texture->deleteGlTextures();
    for (GLuint name : made) {
        EXPECT_NE(name, 0u);
        EXPECT_FALSE(glIsTexture(name));
    }
}

// Not something the show does, but a second pair must not leak the first.
TEST_F(BumpPair, SecondPairReplacesTheFirstNames) {
    TexturePtr texture = loadUploaded(imageOf(2, 1, 1, {1, 2, 3}));
    texture->makeBumpPair(CONTRAST);
    GLuint firstBump = texture->names[TEXTURE_SLOT_BUMP];
    GLuint firstInverted = texture->names[TEXTURE_SLOT_BUMP_INVERTED];
    texture->makeBumpPair(CONTRAST);
    EXPECT_TRUE(isDeletedOrReused(firstBump, *texture));
    EXPECT_TRUE(isDeletedOrReused(firstInverted, *texture));
    EXPECT_TRUE(glIsTexture(texture->names[TEXTURE_SLOT_BUMP]));
    EXPECT_TRUE(glIsTexture(texture->names[TEXTURE_SLOT_BUMP_INVERTED]));
}

}  // namespace
