// The twisting tube (scene type 4, newTubeScene): four open walls of 16 x 32
// vertices twisted by a travelling wave, drawn in the first half of every
// unit of progress.
#pragma once

#include <cstdint>

#include "scenes/scene_kinds.h"

constexpr int32_t TUBE_FACES = 4;
constexpr int32_t TUBE_ROWS = 32;     // r, along the tube's axis
constexpr int32_t TUBE_COLUMNS = 16;  // c, across a wall
constexpr int32_t TUBE_FACE_VERTICES = TUBE_ROWS * TUBE_COLUMNS;
constexpr int32_t TUBE_VERTICES = TUBE_FACES * TUBE_FACE_VERTICES;

// A record of the tube's baseVertices: the undeformed position.
struct TubeBaseVertex {
    float x;
    float y;
    float z;
};
static_assert(sizeof(TubeBaseVertex) == 3 * sizeof(float), "3 packed floats");

// Record index of face f, row r, column c.
constexpr int32_t tubeVertex(int32_t f, int32_t r, int32_t c) {
    return TUBE_FACE_VERTICES * f + TUBE_COLUMNS * r + c;
}
