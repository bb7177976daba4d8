// A Windows icon file (.ico) holding PNG pictures as they are, which every
// Windows since Vista reads; the Windows build's resources take it.
//
// What the rest of the build may rely on:
//   - iconFile() lays the pictures out in the order given, each entry naming
//     its picture's size (256 written as 0, as the format wants) and 32-bit
//     colour.
//   - A picture that is not a PNG, or is larger than 256 x 256, gives an
//     empty result and one line in error naming it by its index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> iconFile(const std::vector<std::vector<uint8_t>>& pngs, std::string& error);
