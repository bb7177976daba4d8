// The benchmark's one way into a mesh scene: the per-frame deformation
// (light, positions, normals, emboss offsets) without the drawing, which
// render always does as well. Nothing in the show includes it.
#pragma once

#include "scenes/bump_mesh_scene.h"

struct BumpMeshProbe {
    // What a drawn frame computes at phase u; needs the matrices of a drawn
    // frame (one render first).
    static void deform(BumpMeshScene& scene, float u) {
        scene.updateLight(u);
        scene.deformMesh(u);
    }
};
