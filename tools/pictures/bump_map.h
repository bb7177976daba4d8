// The height map of the bump-mapped meshes, 256 x 256, tiling seamlessly:
// hexagonal plates with bevelled edges and a fitting in each, over a faint
// cast-metal grain. Grey values stay within the range the show's 3.5 times
// contrast stretch around 128 keeps apart (about 92 to 164).
#pragma once

#include "tools/pictures/canvas.h"

constexpr int BUMP_MAP_SIZE = 256;

Canvas drawBumpMap();
