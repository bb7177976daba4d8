// Fixtures for the mesh scene tests and benchmarks: one headless context per
// program, a working directory that has "data/texture_bump.png", and scenes
// made, initialised and destroyed the way the timeline does it.
#pragma once

#include <memory>

#include "scenes/bump_mesh_scene.h"
#include "tests/support/headless_gl.h"

struct SceneDestroyer {
    void operator()(BumpMeshScene* scene) const;
};
using ScenePtr = std::unique_ptr<BumpMeshScene, SceneDestroyer>;

// The headless context of this program, made on first use; null on failure.
HeadlessGl* sharedGl();

// Makes sure "data/texture_bump.png" resolves: where the working directory
// lacks it, a fixture height map is written into a scratch directory that
// becomes the working directory. False when that fails.
bool useBumpTexture();

// A new scene of the kind (newSphereScene or newTubeScene), initialised with
// the shared context current. Nothing is drawn yet.
ScenePtr makeScene(Scene* (*make)());

// Clears the frame to the colour and sets the state that the scenes before a
// mesh leave: depth test on, model-view identity.
void prepareFrame(float red, float green, float blue);

// Progress values of the first half cycle (tube) and the second (sphere)
// that give the phase u.
inline float tubeProgress(float u) { return u / 2.0f; }
inline float sphereProgress(float u) { return (u + 1.0f) / 2.0f; }
