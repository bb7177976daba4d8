// The pulsing sphere (scene type 1, newSphereScene): a 60 x 60 grid on the
// unit sphere whose radius ripples with three travelling waves, drawn in the
// second half of every unit of progress.
#pragma once

#include <cstdint>

#include "scenes/scene_kinds.h"

constexpr int32_t SPHERE_COLUMNS = 60;  // c, around the vertical axis
constexpr int32_t SPHERE_ROWS = 60;     // j, from the +y pole to the -y pole
constexpr int32_t SPHERE_VERTICES = SPHERE_COLUMNS * SPHERE_ROWS;

// A record of the sphere's baseVertices.
struct SphereBaseVertex {
    float position[3];     // on the unit sphere
    float phaseAngles[3];  // a3, a4, a5: half-angles of the direction, phasing the waves
    float s;
    float t;
};
static_assert(sizeof(SphereBaseVertex) == 8 * sizeof(float), "8 packed floats");

// Record index of column c, row j.
constexpr int32_t sphereVertex(int32_t c, int32_t j) { return SPHERE_ROWS * c + j; }
