// Uploading pixels into texture names, binding and deleting them, in a real
// (headless) OpenGL context.
#include <gtest/gtest.h>

#include <vector>

#include "tests/gfx/png_fixture.h"
#include "tests/gfx/texture_readback.h"

namespace {

std::vector<uint8_t> rowsOf(const Texture& texture, uint32_t first, uint32_t count) {
    const uint8_t* start = texture.pixels + size_t{first} * texture.width * 4;
    return std::vector<uint8_t>(start, start + size_t{count} * texture.width * 4);
}

class TextureUpload : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sharedGl().ok()); }

    // An RGB picture whose every pixel differs from every other.
    TexturePtr loadPattern(uint32_t width, uint32_t height) {
        std::vector<uint16_t> samples;
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                samples.insert(samples.end(), {uint16_t(x & 0xff), uint16_t(y & 0xff),
                                               uint16_t(x >> 8 | (y >> 8) << 4)});
        std::string path = dir.file("pattern.png");
        writePng(path, imageOf(2, width, height, samples));
        TexturePtr texture = loadTexture(path, 1);
        EXPECT_NE(texture->pixels, nullptr);
        return texture;
    }

    ScratchDir dir;
};

TEST_F(TextureUpload, PictureOf768RowsIsSplitIntoTwoNearestTextures) {
    TexturePtr texture = loadPattern(1024, 768);
    ASSERT_NE(texture->pixels, nullptr);
    texture->upload();
    ASSERT_NE(texture->names, nullptr);
    for (int slot = 0; slot < TEXTURE_SLOT_COUNT; ++slot)
        EXPECT_EQ(texture->names[slot] != 0,
                  slot == TEXTURE_SLOT_PICTURE || slot == TEXTURE_SLOT_PICTURE_LOWER)
            << slot;
    GLuint upperName = texture->names[TEXTURE_SLOT_PICTURE];
    GLuint lowerName = texture->names[TEXTURE_SLOT_PICTURE_LOWER];
    EXPECT_EQ(boundTexture(), lowerName);
    EXPECT_NE(texture->pixels, nullptr);

    TextureImage upper = readTexture(upperName);
    EXPECT_EQ(upper.width, 1024);
    EXPECT_EQ(upper.height, 512);
    EXPECT_EQ(upper.minFilter, GL_NEAREST);
    EXPECT_EQ(upper.magFilter, GL_NEAREST);
    EXPECT_TRUE(upper.rgba == rowsOf(*texture, 0, 512));
    TextureImage lower = readTexture(lowerName);
    EXPECT_EQ(lower.width, 1024);
    EXPECT_EQ(lower.height, 256);
    EXPECT_EQ(lower.minFilter, GL_NEAREST);
    EXPECT_EQ(lower.magFilter, GL_NEAREST);
    EXPECT_TRUE(lower.rgba == rowsOf(*texture, 512, 256));

    texture->deleteGlTextures();
    EXPECT_EQ(texture->names, nullptr);
    EXPECT_FALSE(glIsTexture(upperName));
    EXPECT_FALSE(glIsTexture(lowerName));
}

TEST_F(TextureUpload, OtherHeightsGiveOneLinearTexture) {
    TexturePtr texture = loadPattern(256, 256);
    texture->upload();
    GLuint name = texture->names[TEXTURE_SLOT_PICTURE];
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texture->names[TEXTURE_SLOT_PICTURE_LOWER], 0u);
    EXPECT_EQ(boundTexture(), name);
    TextureImage image = readTexture(name);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 256);
    EXPECT_EQ(image.minFilter, GL_LINEAR);
    EXPECT_EQ(image.magFilter, GL_LINEAR);
    EXPECT_TRUE(image.rgba == rowsOf(*texture, 0, 256));

    texture->bind(TEXTURE_SLOT_BUMP);
    EXPECT_EQ(boundTexture(), 0u);
    texture->bind(TEXTURE_SLOT_PICTURE);
    EXPECT_EQ(boundTexture(), name);
    texture->deleteGlTextures();
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(TextureUpload, FreePixelsAfterUploadKeepsTheTextures) {
    TexturePtr texture = loadPattern(8, 768);
    texture->upload();
    std::vector<uint8_t> lowerRows = rowsOf(*texture, 512, 256);
    texture->freePixels();
    EXPECT_EQ(texture->pixels, nullptr);
    EXPECT_TRUE(readTexture(texture->names[TEXTURE_SLOT_PICTURE_LOWER]).rgba == lowerRows);
}

TEST_F(TextureUpload, UploadingAgainReplacesTheNames) {
    TexturePtr texture = loadPattern(4, 768);
    texture->upload();
    GLuint upper = texture->names[TEXTURE_SLOT_PICTURE];
    GLuint lower = texture->names[TEXTURE_SLOT_PICTURE_LOWER];
    texture->upload();
    EXPECT_TRUE(isDeletedOrReused(upper, *texture));
    EXPECT_TRUE(isDeletedOrReused(lower, *texture));
    EXPECT_TRUE(glIsTexture(texture->names[TEXTURE_SLOT_PICTURE]));
}

// Whatever its owner leaves undone, a Texture gives its names back when it
// loads another picture and when it is deleted.
TEST_F(TextureUpload, LoadingAgainAndDeletingGiveTheNamesBack) {
    Texture* texture = loadPattern(4, 768).release();
    texture->upload();
    texture->makeBumpPair(3.5f);
    std::vector<GLuint> made;
    for (int slot : {TEXTURE_SLOT_PICTURE, TEXTURE_SLOT_PICTURE_LOWER, TEXTURE_SLOT_BUMP,
                     TEXTURE_SLOT_BUMP_INVERTED})
        made.push_back(texture->names[slot]);
    texture->loadPng(dir.file("pattern.png").c_str(), 1);
    EXPECT_EQ(texture->names, nullptr);
    for (GLuint name : made)
        EXPECT_FALSE(glIsTexture(name)) << name;

    texture->upload();
    const GLuint name = texture->names[TEXTURE_SLOT_PICTURE];
    ASSERT_TRUE(glIsTexture(name));
    delete texture;
    EXPECT_FALSE(glIsTexture(name));
}

// A picture that failed to load still gets every slot its owner binds, each a
// 1 x 1 image that adds nothing to the frame.
TEST_F(TextureUpload, FailedLoadGetsInvisibleStandIns) {
    testing::internal::CaptureStderr();
    TexturePtr texture = loadTexture(dir.file("missing.png"), 1);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(texture->pixels, nullptr);
    texture->upload();
    texture->makeBumpPair(3.5f);
    EXPECT_EQ(texture->pixels, nullptr);

    const std::pair<int, std::vector<uint8_t>> expected[] = {
        {TEXTURE_SLOT_PICTURE, {0, 0, 0, 0}},
        {TEXTURE_SLOT_PICTURE_LOWER, {0, 0, 0, 0}},
        {TEXTURE_SLOT_BUMP, {0, 0, 0, 0}},
        {TEXTURE_SLOT_BUMP_INVERTED, {255, 255, 255, 255}},
    };
    std::vector<GLuint> made;
    for (const auto& [slot, texel] : expected) {
        SCOPED_TRACE(slot);
        GLuint name = texture->names[slot];
        ASSERT_NE(name, 0u);
        made.push_back(name);
        TextureImage image = readTexture(name);
        EXPECT_EQ(image.width, 1);
        EXPECT_EQ(image.height, 1);
        EXPECT_EQ(image.rgba, texel);
    }
    for (int slot = 0; slot < TEXTURE_SLOT_COUNT; ++slot)
        texture->bind(slot);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    texture->freePixels();
    texture->deleteGlTextures();
    for (GLuint name : made)
        EXPECT_FALSE(glIsTexture(name));
}

}  // namespace
