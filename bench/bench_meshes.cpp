// Frame costs of the two meshes in the headless 1024 x 768 context: the
// deformation alone (light, positions, normals, emboss offsets) and a whole
// drawn frame (deformation and both passes, until the driver has finished
// them; the clear before it is not timed).
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include "scenes/scene_kinds.h"
#include "tests/mesh_scenes/mesh_fixture.h"

namespace {

constexpr int PHASES = 97;  // phases cycled through, so no frame repeats the last

float phaseOf(int64_t iteration) { return static_cast<float>(iteration % PHASES) / PHASES; }

float progressOf(Scene* (*make)(), float u) {
    return make == newSphereScene ? sphereProgress(u) : tubeProgress(u);
}

void deformation(benchmark::State& state, Scene* (*make)()) {
    if (sharedGl() == nullptr || !useBumpTexture()) {
        state.SkipWithError("no headless context");
        return;
    }
    ScenePtr scene = makeScene(make);
    prepareFrame(0.0f, 0.0f, 0.0f);
    scene->render(progressOf(make, 0.5f), 0.0f);  // the matrices of a drawn frame
    int64_t i = 0;
    for (auto _ : state) {
        const float u = phaseOf(i++);
        scene->updateLight(u);
        scene->deformMesh(u);
        benchmark::DoNotOptimize(scene->vertices.data());
        benchmark::ClobberMemory();
    }
}

void drawnFrame(benchmark::State& state, Scene* (*make)()) {
    if (sharedGl() == nullptr || !useBumpTexture()) {
        state.SkipWithError("no headless context");
        return;
    }
    ScenePtr scene = makeScene(make);
    int64_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepareFrame(0.0f, 0.0f, 0.0f);
        glFinish();
        state.ResumeTiming();
        scene->render(progressOf(make, phaseOf(i++)), 0.0f);
        glFinish();
    }
}

BENCHMARK_CAPTURE(deformation, sphere, newSphereScene)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(deformation, tube, newTubeScene)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drawnFrame, sphere, newSphereScene)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drawnFrame, tube, newTubeScene)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
