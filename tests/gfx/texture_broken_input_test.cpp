// Files that are not PNG pictures, or damaged ones: no crash, no pixels,
// one line on stderr naming the file and the reason.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "base/program_message.h"
#include "tests/gfx/png_fixture.h"

namespace {

using testing::HasSubstr;

class BrokenPng : public testing::Test {
protected:
    // A valid 16 x 16 RGB picture, big enough for an IDAT of some length.
    std::vector<uint8_t> validPng() const {
        std::vector<uint16_t> samples;
        for (int i = 0; i < 16 * 16 * 3; ++i)
            samples.push_back(uint16_t((i * 37) % 251));
        return encodePng(imageOf(2, 16, 16, samples));
    }

    // Loads bytes as a file; expects no pixels and answers what went to stderr.
    std::string loadExpectingFailure(const std::vector<uint8_t>& bytes) {
        writeBytes(path, bytes);
        return loadMissingExpectingFailure();
    }

    std::string loadMissingExpectingFailure() {
        testing::internal::CaptureStderr();
        TexturePtr texture = loadTexture(path, 1);
        std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(texture->pixels, nullptr);
        EXPECT_EQ(texture->width, 0u);
        EXPECT_EQ(texture->height, 0u);
        // One line, with a reason after the program's name and the file as
        // messages name it (no regular expression: the path's characters would
        // be read as one, and GoogleTest's on Windows has no classes).
        const std::string named = std::string(programName()) + ": " + fullPath(path.c_str()) + ": ";
        EXPECT_EQ(message.rfind(named, 0), 0u) << message;
        EXPECT_GT(message.size(), named.size() + 1) << message;
        EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
        return message;
    }

    ScratchDir dir;
    std::string path = dir.file("broken.png");
};

TEST_F(BrokenPng, MissingFile) {
    EXPECT_THAT(loadMissingExpectingFailure(), HasSubstr("cannot open: No such file or directory"));
}

TEST_F(BrokenPng, FilesShorterThanTheSignatureCheck) {
    EXPECT_THAT(loadExpectingFailure({}), HasSubstr("too short to be a PNG file"));
    EXPECT_THAT(loadExpectingFailure({137, 80, 78}), HasSubstr("too short to be a PNG file"));
}

TEST_F(BrokenPng, WrongFirstFourBytes) {
    std::vector<uint8_t> bytes = validPng();
    bytes[1] = 'Q';
    EXPECT_THAT(loadExpectingFailure(bytes), HasSubstr(": not a PNG file"));
    EXPECT_THAT(loadExpectingFailure({'G', 'I', 'F', '8', '9', 'a'}),
                HasSubstr(": not a PNG file"));
}

TEST_F(BrokenPng, WrongSecondHalfOfTheSignature) {
    std::vector<uint8_t> bytes = validPng();
    bytes[4] = '\n';  // what a text-mode transfer does to "\r\n"
    loadExpectingFailure(bytes);
}

TEST_F(BrokenPng, CrcErrorInACriticalChunk) {
    for (const char* chunk : {"IHDR", "IDAT"}) {
        SCOPED_TRACE(chunk);
        std::vector<uint8_t> bytes = validPng();
        size_t offset = chunkOffset(bytes, chunk);
        size_t length = size_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
        bytes[offset + 8 + length] ^= 0x01;  // first byte of the chunk's CRC
        EXPECT_THAT(loadExpectingFailure(bytes), HasSubstr("CRC error"));
    }
}

TEST_F(BrokenPng, CorruptCompressedData) {
    std::vector<uint8_t> bytes = validPng();
    size_t offset = chunkOffset(bytes, "IDAT");
    size_t length = size_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
    for (size_t i = 2; i < length; ++i)
        bytes[offset + 8 + i] = 0xff;
    uint32_t crc = pngCrc(&bytes[offset + 4], length + 4);
    for (int i = 0; i < 4; ++i)
        bytes[offset + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
    loadExpectingFailure(bytes);
}

TEST_F(BrokenPng, TruncatedAnywhere) {
    const std::vector<uint8_t> bytes = validPng();
    size_t idat = chunkOffset(bytes, "IDAT");
    size_t iend = chunkOffset(bytes, "IEND");
    for (size_t size : {size_t{4}, size_t{6}, size_t{8}, size_t{20}, size_t{33}, idat + 8,
                        idat + 20, iend - 4, iend, iend + 8, bytes.size() - 1}) {
        SCOPED_TRACE(size);
        ASSERT_LT(size, bytes.size());
        loadExpectingFailure(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(size)));
    }
    EXPECT_THAT(
        loadExpectingFailure(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(idat) + 20)),
        HasSubstr("unexpected end of file"));
}

TEST_F(BrokenPng, FailedReloadDropsThePreviousPicture) {
    writeBytes(path, validPng());
    TexturePtr texture = loadTexture(path, 1);
    ASSERT_NE(texture->pixels, nullptr);
    writeBytes(path, {1, 2, 3, 4, 5});
    testing::internal::CaptureStderr();
    texture->loadPng(path.c_str(), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(texture->pixels, nullptr);
    EXPECT_EQ(texture->width, 0u);
    EXPECT_EQ(texture->height, 0u);
    EXPECT_EQ(texture->bitDepth, 0);
    EXPECT_EQ(texture->colorType, 0);
}

// Forges the size in the header of a valid 1 x 1 picture.
std::vector<uint8_t> withSize(std::vector<uint8_t> bytes, uint32_t width, uint32_t height) {
    size_t ihdr = chunkOffset(bytes, "IHDR");
    for (int i = 0; i < 4; ++i) {
        bytes[ihdr + 8 + i] = uint8_t(width >> (24 - 8 * i));
        bytes[ihdr + 12 + i] = uint8_t(height >> (24 - 8 * i));
    }
    uint32_t crc = pngCrc(&bytes[ihdr + 4], 4 + 13);
    for (int i = 0; i < 4; ++i)
        bytes[ihdr + 8 + 13 + i] = uint8_t(crc >> (24 - 8 * i));
    return bytes;
}

TEST_F(BrokenPng, AbsurdSizesAreRefusedBeforeAllocating) {
    std::vector<uint8_t> tiny = encodePng(imageOf(6, 1, 1, {1, 2, 3, 4}));
    EXPECT_THAT(loadExpectingFailure(withSize(tiny, 16385, 1)), HasSubstr("picture too large"));
    EXPECT_THAT(loadExpectingFailure(withSize(tiny, 1, 16385)), HasSubstr("picture too large"));
    EXPECT_THAT(loadExpectingFailure(withSize(tiny, 0x7fffffffu, 0x7fffffffu)), HasSubstr("IHDR"));
    // The largest accepted size is allocated, then the data runs out.
    loadExpectingFailure(withSize(tiny, 16384, 16384));
}

}  // namespace
