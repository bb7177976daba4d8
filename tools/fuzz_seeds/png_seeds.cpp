// Writes the fuzzer's seed corpus: one small valid PNG per colour type, bit
// depth and interlace mode the loader handles. Usage: png_seeds SEEDS [WORK]
// (WORK, libFuzzer's own corpus directory, is only created).
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/gfx/png_fixture.h"

namespace {

struct Seed {
    int colorType;
    int bitDepth;
    int channels;
};

constexpr Seed SEEDS[] = {
    {0, 1, 1}, {0, 2, 1}, {0, 4, 1}, {0, 8, 1}, {0, 16, 1}, {2, 8, 3}, {2, 16, 3}, {3, 1, 1},
    {3, 2, 1}, {3, 4, 1}, {3, 8, 1}, {4, 8, 2}, {4, 16, 2}, {6, 8, 4}, {6, 16, 4},
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
