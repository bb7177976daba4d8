#include "tools/windows_icon/icon_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The start of a PNG of that size: what iconFile() reads, and some bytes of
// payload after it that must come through untouched.
std::vector<uint8_t> pngHead(uint32_t width, uint32_t height, uint8_t payload) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t side : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(uint8_t(side >> shift));
    }
    png.insert(png.end(), {payload, payload, payload});
    return png;
}

uint32_t little32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 | uint32_t(bytes[at + 3]) << 24;
}

TEST(IconFile, EntriesNameEachPictureAndPointAtItsBytes) {
    const std::vector<std::vector<uint8_t>> pngs = {pngHead(48, 48, 0xa1), pngHead(256, 256, 0xb2)};
    std::string error;
    const std::vector<uint8_t> icon = iconFile(pngs, error);
    ASSERT_EQ(icon.size(), 6 + 2 * 16 + pngs[0].size() + pngs[1].size()) << error;
    EXPECT_EQ(icon[2], 1);  // an icon, not a cursor
    EXPECT_EQ(icon[4], 2);
    const size_t second = 6 + 16;
    EXPECT_EQ(icon[6], 48);
    EXPECT_EQ(icon[second], 0) << "256 is written as 0";
    EXPECT_EQ(icon[second + 1], 0);
    EXPECT_EQ(icon[6 + 6], 32) << "bits per pixel";
    for (size_t entry = 0; entry < pngs.size(); ++entry) {
        const size_t at = 6 + 16 * entry;
        const uint32_t size = little32(icon, at + 8);
        const uint32_t offset = little32(icon, at + 12);
        ASSERT_EQ(size, pngs[entry].size());
        ASSERT_LE(offset + size, icon.size());
        EXPECT_EQ(std::vector<uint8_t>(icon.begin() + offset, icon.begin() + offset + size), pngs[entry]);
    }
}

TEST(IconFile, RefusesWhatAnIconCannotHold) {
    std::string error;
    EXPECT_TRUE(iconFile({pngHead(48, 48, 0), {'G', 'I', 'F', '8'}}, error).empty());
    EXPECT_EQ(error, "picture 1 is not a PNG");
    EXPECT_TRUE(iconFile({pngHead(512, 512, 0)}, error).empty());
    EXPECT_EQ(error, "picture 0 is 512 x 512, larger than an icon holds");
}

}  // namespace
