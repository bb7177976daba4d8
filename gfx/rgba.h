// Pictures in memory are 8-bit RGBA, four bytes a pixel.
#pragma once

#include <cstddef>

constexpr size_t RGBA_BYTES = 4;
