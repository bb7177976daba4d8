// The height map of the bump-mapped meshes, 256 x 256, tiling seamlessly:
// hexagonal plates with bevelled edges and a fitting in each, over a faint
// cast-metal grain. Grey values stay within the range that the show's emboss
// stretch (stretchedGrey at EMBOSS_CONTRAST) keeps apart.
#pragma once

#include "tools/pictures/canvas.h"

constexpr int BUMP_MAP_SIZE = 256;

Canvas drawBumpMap();
