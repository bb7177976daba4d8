// Reads a PNG file back through libpng with no conversions, so tests can see
// exactly what a writer stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReadBackPng {
    uint32_t width = 0;
    uint32_t height = 0;
    int colorType = -1;
    int bitDepth = 0;
    int interlace = -1;
    size_t rowBytes = 0;
    std::vector<uint8_t> rows;          // height rows of rowBytes, interlacing undone
    std::vector<uint8_t> palette;       // RGB triplets
    std::vector<uint8_t> transparency;  // tRNS alpha of palette entries
};

// False with a reason in error when the file is missing or not a valid PNG.
bool readBackPng(const std::string& path, ReadBackPng* image, std::string* error);
