#include "gfx/png_writer.h"

#include "tests/pictures/png_read_back.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// An odd width, so packed rows of low bit depths end in a partial byte.
constexpr uint32_t WIDTH = 13;
constexpr uint32_t HEIGHT = 7;

fs::path scratchDir() { return fs::temp_directory_path() / ("png_writer_test_" + std::to_string(getpid())); }

fs::path scratchFile(const std::string& name) {
    fs::create_directories(scratchDir());
    return scratchDir() / name;
}

class ScratchCleanup : public testing::Environment {
public:
    void TearDown() override { fs::remove_all(scratchDir()); }
};
testing::Environment* const scratchCleanup = testing::AddGlobalTestEnvironment(new ScratchCleanup);

int channelsOf(int colorType) {
    switch (colorType) {
    case PNG_WRITER_RGB: return 3;
    case PNG_WRITER_GREY_ALPHA: return 2;
    case PNG_WRITER_RGBA: return 4;
    default: return 1;
    }
}

// Varied sample bytes in the PNG's own layout; the unused low bits at the end
// of a packed row are zero, since a reader need not give them back.
std::vector<uint8_t> sampleRows(const PngImage& image, size_t stride) {
    const size_t used = pngRowBytes(image);
    const size_t bits = size_t(image.width) * size_t(channelsOf(image.colorType)) * size_t(image.bitDepth);
    std::vector<uint8_t> rows(stride * image.height, 0xEE);
    uint32_t state = 12345u;
    for (uint32_t y = 0; y < image.height; ++y) {
        for (size_t i = 0; i < used; ++i) {
            state = state * 1103515245u + 12345u;
            rows[y * stride + i] = uint8_t(state >> 16);
        }
        if (bits % 8) rows[y * stride + used - 1] &= uint8_t(0xFF << (8 - bits % 8));
    }
    return rows;
}

std::vector<uint8_t> fullPalette(int bitDepth) {
    std::vector<uint8_t> palette;
    for (int i = 0; i < (1 << bitDepth); ++i) palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    return palette;
}

void expectSameRows(const std::vector<uint8_t>& written, size_t stride, const ReadBackPng& read) {
    ASSERT_EQ(read.rowBytes * read.height, read.rows.size());
    for (uint32_t y = 0; y < read.height; ++y) {
        const std::vector<uint8_t> want(written.begin() + long(y * stride), written.begin() + long(y * stride + read.rowBytes));
        const std::vector<uint8_t> got(read.rows.begin() + long(y * read.rowBytes),
                                       read.rows.begin() + long((y + 1) * read.rowBytes));
        ASSERT_EQ(want, got) << "row " << y;
    }
}

struct Format {
    int colorType;
    int bitDepth;
    bool interlaced;
};

class PngWriterRoundTrip : public testing::TestWithParam<Format> {};

TEST_P(PngWriterRoundTrip, ReadsBackExactlyWhatWasWritten) {
    const Format format = GetParam();
    PngImage image;
    image.width = WIDTH;
    image.height = HEIGHT;
    image.colorType = format.colorType;
    image.bitDepth = format.bitDepth;
    image.interlaced = format.interlaced;
    // A stride longer than the row checks that only the row's bytes are taken.
    const size_t stride = pngRowBytes(image) + 3;
    image.rowStride = stride;
    const std::vector<uint8_t> rows = sampleRows(image, stride);
    image.rows = rows.data();
    const std::vector<uint8_t> palette = fullPalette(format.bitDepth);
    if (format.colorType == PNG_WRITER_PALETTE) {
        image.palette = palette.data();
        image.paletteSize = 1 << format.bitDepth;
    }

    const fs::path path = scratchFile("round_trip.png");
    std::string error;
    ASSERT_TRUE(writePng(path.c_str(), image, &error)) << error;
    ReadBackPng read;
    ASSERT_TRUE(readBackPng(path, &read, &error)) << error;
    EXPECT_EQ(WIDTH, read.width);
    EXPECT_EQ(HEIGHT, read.height);
    EXPECT_EQ(format.colorType, read.colorType);
    EXPECT_EQ(format.bitDepth, read.bitDepth);
    EXPECT_EQ(format.interlaced ? 1 : 0, read.interlace);
    EXPECT_EQ(pngRowBytes(image), read.rowBytes);
    if (format.colorType == PNG_WRITER_PALETTE) {
        EXPECT_EQ(palette, read.palette);
    }
    expectSameRows(rows, stride, read);
}

INSTANTIATE_TEST_SUITE_P(
    EveryColourTypeAndDepth, PngWriterRoundTrip,
    testing::Values(Format{PNG_WRITER_GREY, 1, false}, Format{PNG_WRITER_GREY, 2, false},
                    Format{PNG_WRITER_GREY, 4, false}, Format{PNG_WRITER_GREY, 8, false},
                    Format{PNG_WRITER_GREY, 16, false}, Format{PNG_WRITER_RGB, 8, false},
                    Format{PNG_WRITER_RGB, 16, false}, Format{PNG_WRITER_PALETTE, 1, false},
                    Format{PNG_WRITER_PALETTE, 2, false}, Format{PNG_WRITER_PALETTE, 4, false},
                    Format{PNG_WRITER_PALETTE, 8, false}, Format{PNG_WRITER_GREY_ALPHA, 8, false},
                    Format{PNG_WRITER_GREY_ALPHA, 16, false}, Format{PNG_WRITER_RGBA, 8, false},
                    Format{PNG_WRITER_RGBA, 16, false}, Format{PNG_WRITER_RGB, 8, true},
                    Format{PNG_WRITER_GREY, 2, true}, Format{PNG_WRITER_RGBA, 16, true},
                    Format{PNG_WRITER_PALETTE, 4, true}),
    [](const testing::TestParamInfo<Format>& param) {
        return "type" + std::to_string(param.param.colorType) + "_depth" + std::to_string(param.param.bitDepth) +
               (param.param.interlaced ? "_interlaced" : "");
    });

TEST(PngWriter, PaletteTransparencyAndShortPaletteSurvive) {
    const uint8_t palette[] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const uint8_t alpha[] = {0, 128, 200};
    const uint8_t rows[] = {0x01, 0x23, 0x40, 0x12, 0x34, 0x00};  // 5 x 2 pixels of 4-bit indices 0 to 4
    PngImage image;
    image.width = 5;
    image.height = 2;
    image.colorType = PNG_WRITER_PALETTE;
    image.bitDepth = 4;
    image.rows = rows;
    image.palette = palette;
    image.paletteSize = 5;
    image.transparency = alpha;
    image.transparencyCount = 3;
    const fs::path path = scratchFile("trns.png");
    std::string error;
    ASSERT_TRUE(writePng(path.c_str(), image, &error)) << error;
    ReadBackPng read;
    ASSERT_TRUE(readBackPng(path, &read, &error)) << error;
    EXPECT_EQ(std::vector<uint8_t>(palette, palette + 15), read.palette);
    EXPECT_EQ(std::vector<uint8_t>(alpha, alpha + 3), read.transparency);
    expectSameRows(std::vector<uint8_t>(rows, rows + 6), 3, read);
}

TEST(PngWriter, RejectsInvalidDescriptionsAndLeavesNoFile) {
    const uint8_t rows[64] = {};
    const uint8_t palette[3 * 5] = {};
    const uint8_t alpha[5] = {};
    PngImage valid;
    valid.width = 4;
    valid.height = 2;
    valid.colorType = PNG_WRITER_GREY;
    valid.bitDepth = 8;
    valid.rows = rows;

    std::vector<std::pair<const char*, PngImage>> cases;
    PngImage c = valid;
    c.colorType = 5;
    cases.emplace_back("unknown colour type", c);
    c = valid;
    c.colorType = PNG_WRITER_RGB;
    c.bitDepth = 4;
    cases.emplace_back("RGB at 4 bits", c);
    c = valid;
    c.bitDepth = 3;
    cases.emplace_back("grey at 3 bits", c);
    c = valid;
    c.colorType = PNG_WRITER_PALETTE;
    c.bitDepth = 16;
    c.palette = palette;
    c.paletteSize = 5;
    cases.emplace_back("palette at 16 bits", c);
    c = valid;
    c.colorType = PNG_WRITER_PALETTE;
    cases.emplace_back("palette image without palette", c);
    c.palette = palette;
    c.paletteSize = 5;
    c.bitDepth = 2;
    cases.emplace_back("five entries at 2 bits", c);
    c.bitDepth = 8;
    c.transparency = alpha;
    c.transparencyCount = 6;
    cases.emplace_back("more alpha entries than palette entries", c);
    c = valid;
    c.palette = palette;
    c.paletteSize = 5;
    cases.emplace_back("palette on a grey image", c);
    c = valid;
    c.width = 0;
    cases.emplace_back("zero width", c);
    c = valid;
    c.rows = nullptr;
    cases.emplace_back("no rows", c);
    c = valid;
    c.rowStride = 3;
    cases.emplace_back("stride shorter than a row", c);

    const fs::path path = scratchFile("invalid.png");
    for (const auto& [name, image] : cases) {
        std::string error;
        EXPECT_FALSE(writePng(path.c_str(), image, &error)) << name;
        EXPECT_EQ(0u, error.find(path.string() + ": ")) << name << ": " << error;
        EXPECT_FALSE(fs::exists(path)) << name;
    }
}

TEST(PngWriter, ReportsAFileThatCannotBeCreated) {
    const uint8_t rows[4] = {};
    PngImage image;
    image.width = 4;
    image.height = 1;
    image.colorType = PNG_WRITER_GREY;
    image.rows = rows;
    const fs::path path = scratchFile("no_such_folder") / "x.png";
    std::string error;
    EXPECT_FALSE(writePng(path.c_str(), image, &error));
    EXPECT_NE(std::string::npos, error.find(path.string())) << error;
}

// A write that fails halfway (here: the process may not grow files past a
// small limit) must report failure and remove the partial file.
TEST(PngWriter, FailedWriteRemovesThePartialFile) {
    constexpr uint32_t SIDE = 512;
    std::vector<uint8_t> noise(size_t(SIDE) * SIDE * 3);
    uint32_t state = 1u;
    for (uint8_t& byte : noise) {
        state = state * 1664525u + 1013904223u;
        byte = uint8_t(state >> 24);
    }
    PngImage image;
    image.width = SIDE;
    image.height = SIDE;
    image.rows = noise.data();
    const fs::path path = scratchFile("too_big.png");

    rlimit saved{};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    std::string error;
    const bool written = writePng(path.c_str(), image, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(0u, error.find(path.string() + ": ")) << error;
    EXPECT_FALSE(fs::exists(path));
}

TEST(PngWriter, RowBytesFollowPacking) {
    PngImage image;
    image.width = 13;
    image.colorType = PNG_WRITER_GREY;
    image.bitDepth = 1;
    EXPECT_EQ(2u, pngRowBytes(image));
    image.bitDepth = 4;
    EXPECT_EQ(7u, pngRowBytes(image));
    image.colorType = PNG_WRITER_RGBA;
    image.bitDepth = 16;
    EXPECT_EQ(104u, pngRowBytes(image));
    image.colorType = 1;
    EXPECT_EQ(0u, pngRowBytes(image));
}

}  // namespace
