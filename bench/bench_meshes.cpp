// Frame costs of the two meshes in the show's own window, opened offscreen
// at 1024 x 768: the deformation alone (light, positions, normals, emboss
// offsets) and a whole drawn frame (deformation and both passes, until the
// driver has finished them; the clear before it is not timed). Run from the
// folder that holds the show's data/.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "content/show_data.h"
#include "platform/gl_window.h"
#include "platform/offscreen_window.h"
#include "scenes/bump_mesh_probe.h"
#include "scenes/scene_kinds.h"

namespace {

constexpr int PHASES = 97;  // phases cycled through, so no frame repeats the last

float phaseOf(int64_t iteration) { return static_cast<float>(iteration % PHASES) / PHASES; }

// The progress at which the kind draws phase u: the tube owns the first half
// of each unit of progress, the sphere the second.
float progressOf(Scene* (*make)(), float u) {
    return make == newSphereScene ? (u + 1.0f) / 2.0f : u / 2.0f;
}

struct SceneDestroyer {
    void operator()(BumpMeshScene* scene) const {
        scene->destroy();
        delete scene;
    }
};
using ScenePtr = std::unique_ptr<BumpMeshScene, SceneDestroyer>;

// A scene of the kind, initialised as the timeline does it; null (and the
// benchmark skipped) without the height map.
ScenePtr makeScene(benchmark::State& state, Scene* (*make)()) {
    if (access(BUMP_HEIGHT_MAP_FILE, R_OK) != 0) {
        static const std::string missing =
            std::string("no ") + BUMP_HEIGHT_MAP_FILE + " here: run from the folder that holds the show's data";
        state.SkipWithError(missing.c_str());
        return nullptr;
    }
    ScenePtr scene(static_cast<BumpMeshScene*>(make()));
    scene->init();
    return scene;
}

// What the scenes before a mesh leave: a cleared frame, the depth test on,
// the model-view identity.
void prepareFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glLoadIdentity();
}

void deformation(benchmark::State& state, Scene* (*make)()) {
    ScenePtr scene = makeScene(state, make);
    if (!scene)
        return;
    prepareFrame();
    scene->render(progressOf(make, 0.5f), 0.0f);  // the matrices of a drawn frame
    int64_t i = 0;
    for (auto _ : state) {
        BumpMeshProbe::deform(*scene, phaseOf(i++));
        benchmark::DoNotOptimize(scene->vertices.data());
        benchmark::ClobberMemory();
    }
}

void drawnFrame(benchmark::State& state, Scene* (*make)()) {
    ScenePtr scene = makeScene(state, make);
    if (!scene)
        return;
    int64_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepareFrame();
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

// The show's window stays open across all the benchmarks.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    DisplayConfig config;
    config.fullscreen = false;
    const AppInfo app{nullptr, "bench_meshes"};
    std::unique_ptr<GlWindow> window(createOffscreenGlWindow());
    if (!window->init(config, app)) {
        std::fprintf(stderr, "bench_meshes: no window: %s\n", lastWindowError());
        window->shutdown(config, app);
        return 1;
    }
    setFixedGlState(fixedGlFrame(config));
    benchmark::RunSpecifiedBenchmarks();
    window->shutdown(config, app);
    benchmark::Shutdown();
    return 0;
}
