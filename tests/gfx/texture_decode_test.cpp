// Decoding every PNG colour type into RGBA pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/gfx/png_fixture.h"

namespace {

constexpr int32_t BRIGHTNESS_ALPHA = 1;
constexpr int32_t NO_BRIGHTNESS_ALPHA = 0;
constexpr int GREY = 0;
constexpr int RGB = 2;
constexpr int PALETTE = 3;
constexpr int GREY_ALPHA = 4;
constexpr int RGBA = 6;

// 8-bit sample value v stored at 16 bits: libpng keeps the high byte.
uint16_t wide(uint16_t v) {
    return static_cast<uint16_t>(v << 8 | 0x5a);
}

class PngDecode : public testing::Test {
protected:
    TexturePtr load(const PngImage& image, int32_t alphaFromBrightness) {
        std::string path = dir.file("picture.png");
        writePng(path, image);
        return loadTexture(path, alphaFromBrightness);
    }

    ScratchDir dir;
};

TEST(TextureFactory, MakesOnlyKindOne) {
    EXPECT_EQ(createTexture(0), nullptr);
    EXPECT_EQ(createTexture(2), nullptr);
    TexturePtr texture(createTexture(1));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 0u);
    EXPECT_EQ(texture->height, 0u);
    EXPECT_EQ(texture->bitDepth, 0);
    EXPECT_EQ(texture->colorType, 0);
    EXPECT_EQ(texture->pixels, nullptr);
    EXPECT_EQ(texture->names, nullptr);
}

TEST_F(PngDecode, GreyAtEveryDepthBecomesEightBitGrey) {
    struct Case {
        int bitDepth;
        std::vector<uint16_t> samples;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {1, {0, 1, 1}, {0, 255, 255}},
        {2, {0, 3, 1}, {0, 255, 85}},
        {4, {0, 15, 5}, {0, 255, 85}},
        {8, {0, 255, 77}, {0, 255, 77}},
        {16, {0, 65535, wide(77)}, {0, 255, 77}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitDepth);
        // Two rows, the second reversed, so packed rows must be read with their padding.
        std::vector<uint16_t> samples = c.samples;
        samples.insert(samples.end(), c.samples.rbegin(), c.samples.rend());
        PngImage image = imageOf(GREY, 3, 2, samples);
        image.bitDepth = c.bitDepth;
        TexturePtr texture = load(image, BRIGHTNESS_ALPHA);
        ASSERT_NE(texture->pixels, nullptr);
        EXPECT_EQ(texture->width, 3u);
        EXPECT_EQ(texture->height, 2u);
        EXPECT_EQ(texture->bitDepth, c.bitDepth);
        EXPECT_EQ(texture->colorType, GREY);
        for (uint32_t x = 0; x < 3; ++x) {
            uint8_t top = c.expected[x];
            uint8_t bottom = c.expected[2 - x];
            EXPECT_EQ(pixelAt(*texture, x, 0), (Rgba{top, top, top, top}));
            EXPECT_EQ(pixelAt(*texture, x, 1), (Rgba{bottom, bottom, bottom, bottom}));
        }
    }
}

TEST_F(PngDecode, GreyGetsAlphaFromBrightnessOnlyWhenBitZeroIsSet) {
    PngImage image = imageOf(GREY, 1, 1, {77});
    EXPECT_EQ(pixelAt(*load(image, 1), 0, 0), (Rgba{77, 77, 77, 77}));
    EXPECT_EQ(pixelAt(*load(image, 3), 0, 0), (Rgba{77, 77, 77, 77}));
    EXPECT_EQ(pixelAt(*load(image, 0), 0, 0), (Rgba{77, 77, 77, 255}));
    EXPECT_EQ(pixelAt(*load(image, 2), 0, 0), (Rgba{77, 77, 77, 255}));
}

TEST_F(PngDecode, RgbAlphaIsMeanBrightnessOrOpaque) {
    for (int bitDepth : {8, 16}) {
        SCOPED_TRACE(bitDepth);
        PngImage image = imageOf(RGB, 2, 1, {30, 60, 91, 0, 1, 1});
        if (bitDepth == 16)
            for (uint16_t& sample : image.samples)
                sample = wide(sample);
        image.bitDepth = bitDepth;
        TexturePtr withAlpha = load(image, BRIGHTNESS_ALPHA);
        EXPECT_EQ(withAlpha->colorType, RGB);
        EXPECT_EQ(withAlpha->bitDepth, bitDepth);
        EXPECT_EQ(pixelAt(*withAlpha, 0, 0), (Rgba{30, 60, 91, 60}));
        EXPECT_EQ(pixelAt(*withAlpha, 1, 0), (Rgba{0, 1, 1, 0}));
        TexturePtr opaque = load(image, NO_BRIGHTNESS_ALPHA);
        EXPECT_EQ(pixelAt(*opaque, 0, 0), (Rgba{30, 60, 91, 255}));
        EXPECT_EQ(pixelAt(*opaque, 1, 0), (Rgba{0, 1, 1, 255}));
    }
}

TEST_F(PngDecode, RgbaKeepsItsOwnAlphaWhateverTheFlag) {
    for (int bitDepth : {8, 16}) {
        SCOPED_TRACE(bitDepth);
        PngImage image = imageOf(RGBA, 2, 1, {10, 20, 30, 40, 200, 100, 30, 255});
        if (bitDepth == 16)
            for (uint16_t& sample : image.samples)
                sample = wide(sample);
        image.bitDepth = bitDepth;
        for (int32_t flag : {BRIGHTNESS_ALPHA, NO_BRIGHTNESS_ALPHA}) {
            TexturePtr texture = load(image, flag);
            EXPECT_EQ(pixelAt(*texture, 0, 0), (Rgba{10, 20, 30, 40}));
            EXPECT_EQ(pixelAt(*texture, 1, 0), (Rgba{200, 100, 30, 255}));
        }
    }
}

TEST_F(PngDecode, PaletteIndicesBecomeTheirColours) {
    const std::vector<Rgb> palette = {{30, 60, 91}, {255, 0, 0}, {9, 9, 9}};
    for (int bitDepth : {2, 4, 8}) {
        SCOPED_TRACE(bitDepth);
        PngImage image = imageOf(PALETTE, 3, 2, {2, 0, 1, 1, 2, 0});
        image.bitDepth = bitDepth;
        image.palette = palette;
        TexturePtr texture = load(image, BRIGHTNESS_ALPHA);
        ASSERT_NE(texture->pixels, nullptr);
        EXPECT_EQ(texture->colorType, PALETTE);
        EXPECT_EQ(texture->bitDepth, bitDepth);
        EXPECT_EQ(pixelAt(*texture, 0, 0), (Rgba{9, 9, 9, 9}));
        EXPECT_EQ(pixelAt(*texture, 1, 0), (Rgba{30, 60, 91, 60}));
        EXPECT_EQ(pixelAt(*texture, 2, 0), (Rgba{255, 0, 0, 85}));
        EXPECT_EQ(pixelAt(*texture, 0, 1), (Rgba{255, 0, 0, 85}));
        EXPECT_EQ(pixelAt(*load(image, NO_BRIGHTNESS_ALPHA), 1, 1), (Rgba{9, 9, 9, 255}));
    }
    PngImage oneBit = imageOf(PALETTE, 9, 1, {0, 1, 0, 1, 0, 1, 0, 1, 1});
    oneBit.bitDepth = 1;
    oneBit.palette = {{0, 0, 0}, {90, 90, 90}};
    TexturePtr texture = load(oneBit, BRIGHTNESS_ALPHA);
    EXPECT_EQ(pixelAt(*texture, 7, 0), (Rgba{90, 90, 90, 90}));
    EXPECT_EQ(pixelAt(*texture, 8, 0), (Rgba{90, 90, 90, 90}));
    EXPECT_EQ(pixelAt(*texture, 6, 0), (Rgba{0, 0, 0, 0}));
}

TEST_F(PngDecode, PaletteTransparencyBecomesAlpha) {
    PngImage image = imageOf(PALETTE, 3, 1, {0, 1, 2});
    image.palette = {{30, 60, 91}, {255, 255, 255}, {100, 100, 100}};
    image.paletteAlpha = {0, 128};  // the third entry has none: opaque
    for (int32_t flag : {BRIGHTNESS_ALPHA, NO_BRIGHTNESS_ALPHA}) {
        TexturePtr texture = load(image, flag);
        EXPECT_EQ(pixelAt(*texture, 0, 0), (Rgba{30, 60, 91, 0}));
        EXPECT_EQ(pixelAt(*texture, 1, 0), (Rgba{255, 255, 255, 128}));
        EXPECT_EQ(pixelAt(*texture, 2, 0), (Rgba{100, 100, 100, 255}));
    }
}

TEST_F(PngDecode, GreyWithAlphaKeepsItsAlpha) {
    for (int bitDepth : {8, 16}) {
        SCOPED_TRACE(bitDepth);
        PngImage image = imageOf(GREY_ALPHA, 2, 1, {77, 200, 0, 0});
        if (bitDepth == 16)
            for (uint16_t& sample : image.samples)
                sample = wide(sample);
        image.bitDepth = bitDepth;
        for (int32_t flag : {BRIGHTNESS_ALPHA, NO_BRIGHTNESS_ALPHA}) {
            TexturePtr texture = load(image, flag);
            EXPECT_EQ(texture->colorType, GREY_ALPHA);
            EXPECT_EQ(pixelAt(*texture, 0, 0), (Rgba{77, 77, 77, 200}));
            EXPECT_EQ(pixelAt(*texture, 1, 0), (Rgba{0, 0, 0, 0}));
        }
    }
}

TEST_F(PngDecode, GreyTransparencyBecomesAlpha) {
    PngImage image = imageOf(GREY, 2, 1, {77, 78});
    image.hasTransparentGrey = true;
    image.transparentGrey = 77;
    PngImage twoBit = imageOf(GREY, 2, 1, {1, 2});
    twoBit.bitDepth = 2;
    twoBit.hasTransparentGrey = true;
    twoBit.transparentGrey = 1;
    for (int32_t flag : {BRIGHTNESS_ALPHA, NO_BRIGHTNESS_ALPHA}) {
        TexturePtr texture = load(image, flag);
        EXPECT_EQ(pixelAt(*texture, 0, 0), (Rgba{77, 77, 77, 0}));
        EXPECT_EQ(pixelAt(*texture, 1, 0), (Rgba{78, 78, 78, 255}));
        TexturePtr packed = load(twoBit, flag);
        EXPECT_EQ(pixelAt(*packed, 0, 0), (Rgba{85, 85, 85, 0}));
        EXPECT_EQ(pixelAt(*packed, 1, 0), (Rgba{170, 170, 170, 255}));
    }
}

// Sizes that are not multiples of the 8 x 8 interlace block leave some passes
// with partial or empty rows.
TEST_F(PngDecode, InterlacedFilesGiveThePicture) {
    constexpr uint32_t WIDTH = 19;
    constexpr uint32_t HEIGHT = 13;
    std::vector<uint16_t> rgb;
    std::vector<uint16_t> bits;
    std::vector<uint16_t> indices;
    for (uint32_t y = 0; y < HEIGHT; ++y)
        for (uint32_t x = 0; x < WIDTH; ++x) {
            rgb.insert(rgb.end(), {uint16_t(x * 13), uint16_t(y * 19), uint16_t(x + y)});
            bits.push_back(uint16_t((x * 7 + y * 3) % 5 == 0));
            indices.push_back(uint16_t((x + 2 * y) % 16));
        }
    PngImage colour = imageOf(RGB, WIDTH, HEIGHT, rgb);
    PngImage grey = imageOf(GREY, WIDTH, HEIGHT, bits);
    grey.bitDepth = 1;
    PngImage palette = imageOf(PALETTE, WIDTH, HEIGHT, indices);
    palette.bitDepth = 4;
    for (uint8_t i = 0; i < 16; ++i)
        palette.palette.push_back({uint8_t(i * 16), uint8_t(255 - i), i});

    for (PngImage* image : {&colour, &grey, &palette}) {
        SCOPED_TRACE(image->colorType);
        TexturePtr plain = load(*image, BRIGHTNESS_ALPHA);
        image->interlaced = true;
        TexturePtr interlaced = load(*image, BRIGHTNESS_ALPHA);
        ASSERT_NE(plain->pixels, nullptr);
        ASSERT_NE(interlaced->pixels, nullptr);
        EXPECT_EQ(std::memcmp(plain->pixels, interlaced->pixels, size_t{WIDTH} * HEIGHT * 4), 0);
    }
    TexturePtr texture = load(colour, NO_BRIGHTNESS_ALPHA);
    for (uint32_t y = 0; y < HEIGHT; ++y)
        for (uint32_t x = 0; x < WIDTH; ++x)
            ASSERT_EQ(pixelAt(*texture, x, y),
                      (Rgba{uint8_t(x * 13), uint8_t(y * 19), uint8_t(x + y), 255}))
                << x << ", " << y;
}

}  // namespace
