// The full-screen quad: at this depth the fixed 45-degree projection sees a
// little less than these extents, so the rectangle covers the whole view with
// a pixel or so to spare, 0.01 in front of the far plane so that anything
// nearer stays in front of it.
#pragma once

constexpr float SCREEN_QUAD_HALF_WIDTH = 5.533195f;
constexpr float SCREEN_QUAD_HALF_HEIGHT = 4.15f;
constexpr float SCREEN_QUAD_Z = -9.99f;
// Seam between the upper 512 and the lower 256 rows of a 768-row picture.
constexpr float SCREEN_QUAD_SPLIT_Y = -1.383195f;
