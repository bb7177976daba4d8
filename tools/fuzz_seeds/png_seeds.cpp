// Writes the fuzzer's seed corpus: one small valid PNG per colour type, bit
// depth and interlace mode the loader handles. Usage: png_seeds SEEDS [WORK]
// (WORK, libFuzzer's own corpus directory, is only created).
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/gfx/png_fixture.h"
#include "base/named_fields.h"

namespace {

struct Seed {
    int colorType = 0;
    int bitDepth = 8;
    int channels = 1;

    constexpr Seed withBitDepth(int bits) const { return withField(*this, &Seed::bitDepth, bits); }
    constexpr Seed withChannels(int count) const { return withField(*this, &Seed::channels, count); }
};

constexpr Seed seedOfColourType(int colorType) {
    Seed seed;
    seed.colorType = colorType;
    return seed;
}

// Grey, RGB, palette, grey with alpha, RGBA, with the samples a pixel has.
constexpr Seed GREY_SEED = seedOfColourType(0).withChannels(1);
constexpr Seed RGB_SEED = seedOfColourType(2).withChannels(3);
constexpr Seed PALETTE_SEED = seedOfColourType(3).withChannels(1);
constexpr Seed GREY_ALPHA_SEED = seedOfColourType(4).withChannels(2);
constexpr Seed RGBA_SEED = seedOfColourType(6).withChannels(4);

constexpr Seed SEEDS[] = {
    GREY_SEED.withBitDepth(1),
    GREY_SEED.withBitDepth(2),
    GREY_SEED.withBitDepth(4),
    GREY_SEED.withBitDepth(8),
    GREY_SEED.withBitDepth(16),
    RGB_SEED.withBitDepth(8),
    RGB_SEED.withBitDepth(16),
    PALETTE_SEED.withBitDepth(1),
    PALETTE_SEED.withBitDepth(2),
    PALETTE_SEED.withBitDepth(4),
    PALETTE_SEED.withBitDepth(8),
    GREY_ALPHA_SEED.withBitDepth(8),
    GREY_ALPHA_SEED.withBitDepth(16),
    RGBA_SEED.withBitDepth(8),
    RGBA_SEED.withBitDepth(16),
};
constexpr uint32_t WIDTH = 9;
constexpr uint32_t HEIGHT = 5;

PngImage seedImage(const Seed& seed, bool interlaced, bool transparency) {
    uint16_t limit = static_cast<uint16_t>((1u << seed.bitDepth) - 1);
    PngImage image;
    image.width = WIDTH;
    image.height = HEIGHT;
    image.colorType = seed.colorType;
    image.bitDepth = seed.bitDepth;
    image.interlaced = interlaced;
    for (uint32_t i = 0; i < WIDTH * HEIGHT * static_cast<uint32_t>(seed.channels); ++i)
        image.samples.push_back(static_cast<uint16_t>((i * 2654435761u >> 7) % (limit + 1u)));
    if (seed.colorType == 3)
        for (uint32_t entry = 0; entry <= limit; ++entry)
            image.palette.push_back(
                {uint8_t(entry * 40), uint8_t(255 - entry), uint8_t(entry * 7)});
    if (transparency && seed.colorType == 3)
        image.paletteAlpha = {0, 128};
    if (transparency && seed.colorType == 0) {
        image.hasTransparentGrey = true;
        image.transparentGrey = image.samples[0];
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED_DIR [WORK_DIR]\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    if (argc > 2)
        std::filesystem::create_directories(argv[2]);
    int written = 0;
    for (const Seed& seed : SEEDS)
        for (bool interlaced : {false, true})
            for (bool transparency : {false, true}) {
                if (transparency && seed.colorType != 0 && seed.colorType != 3)
                    continue;
                std::string name = "type" + std::to_string(seed.colorType) + "-depth" +
                                   std::to_string(seed.bitDepth) +
                                   (interlaced ? "-interlaced" : "") +
                                   (transparency ? "-trns" : "") + ".png";
                writePng(std::string(argv[1]) + "/" + name,
                         seedImage(seed, interlaced, transparency));
                ++written;
            }
    std::printf("%d seeds in %s\n", written, argv[1]);
    return 0;
}
