// The per-frame driver: which half cycles a mesh owns, the phase and slide it
// draws with, the emboss rule at its threshold, and frames that change nothing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <vector>

#include "scenes/sphere_scene.h"
#include "scenes/tube_scene.h"
#include "tests/mesh_scenes/mesh_fixture.h"

namespace {

constexpr int MATRIX_FLOATS = 16;
constexpr int TRANSLATION_X = 12;  // of a column-major matrix

// Everything a frame may write, to tell a drawn frame from a skipped one.
struct SceneSnapshot {
    std::vector<MeshVertex> vertices;
    float lightPos[3];
    float objectMatrix[MATRIX_FLOATS];
    float lightMatrix[MATRIX_FLOATS];
    float modelView[MATRIX_FLOATS];

    explicit SceneSnapshot(const BumpMeshScene& scene) : vertices(scene.vertices) {
        std::memcpy(lightPos, scene.lightPos, sizeof lightPos);
        std::memcpy(objectMatrix, scene.objectMatrix.get(), sizeof objectMatrix);
        std::memcpy(lightMatrix, scene.lightMatrix.get(), sizeof lightMatrix);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    }

    bool operator==(const SceneSnapshot& other) const {
        return std::memcmp(vertices.data(), other.vertices.data(), vertices.size() * sizeof(MeshVertex)) == 0 &&
               std::memcmp(lightPos, other.lightPos, sizeof lightPos) == 0 &&
               std::memcmp(objectMatrix, other.objectMatrix, sizeof objectMatrix) == 0 &&
               std::memcmp(lightMatrix, other.lightMatrix, sizeof lightMatrix) == 0 &&
               std::memcmp(modelView, other.modelView, sizeof modelView) == 0;
    }
};

struct HalfCycleCase {
    const char* name;
    Scene* (*make)();
    float progress;
    bool draws;
    float slideX;  // x translation of the object transform, f - 2.7 or f - 2.2
};

void PrintTo(const HalfCycleCase& c, std::ostream* out) { *out << c.name; }

class MeshDriverTest : public testing::TestWithParam<HalfCycleCase> {
protected:
    void SetUp() override {
        ASSERT_NE(sharedGl(), nullptr);
        ASSERT_TRUE(useBumpTexture());
        prepareFrame(0.0f, 0.0f, 0.0f);
    }
};

// A frame outside the scene's half cycle leaves fields, matrices, scissor
// test and frame as they were; a frame inside draws with the expected slide.
TEST_P(MeshDriverTest, DrawsOnlyInItsHalfCycle) {
    const HalfCycleCase& tc = GetParam();
    ScenePtr scene = makeScene(tc.make);
    // One of the two meshes draws at 0, the other at 0.5: fill the fields.
    scene->render(0.0f, 0.0f);
    scene->render(0.5f, 0.0f);
    if (tc.draws) {
        std::fill(scene->vertices.begin(), scene->vertices.end(), MeshVertex{});
        std::fill(scene->lightPos, scene->lightPos + 3, 0.0f);
        std::fill(scene->objectMatrix.get(), scene->objectMatrix.get() + MATRIX_FLOATS, 0.0f);
    }
    prepareFrame(0.0f, 0.0f, 0.0f);
    const SceneSnapshot before(*scene);
    const std::vector<uint8_t> frameBefore = sharedGl()->readPixels();
    scene->render(tc.progress, 0.0f);
    const SceneSnapshot after(*scene);
    if (!tc.draws) {
        EXPECT_TRUE(before == after);
        EXPECT_TRUE(sharedGl()->readPixels() == frameBefore);
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
        return;
    }
    EXPECT_FALSE(before == after);
    EXPECT_FLOAT_EQ(scene->objectMatrix[TRANSLATION_X], tc.slideX);
    EXPECT_TRUE(std::memcmp(after.modelView, scene->objectMatrix.get(), sizeof after.modelView) == 0);
}

INSTANTIATE_TEST_SUITE_P(
    HalfCycles, MeshDriverTest,
    testing::Values(HalfCycleCase{"SphereFirstHalf", newSphereScene, 0.25f, false, 0.0f},
                    HalfCycleCase{"SphereMiddle", newSphereScene, 0.75f, true, 1.5f - 2.7f},
                    HalfCycleCase{"SphereWholeUnit", newSphereScene, 1.0f, false, 0.0f},
                    HalfCycleCase{"SphereSecondUnit", newSphereScene, 1.75f, true, 1.5f - 2.7f},
                    HalfCycleCase{"SphereBeforeStart", newSphereScene, -0.25f, false, 0.0f},
                    HalfCycleCase{"SphereNoProgress", newSphereScene, std::nanf(""), false, 0.0f},
                    HalfCycleCase{"TubeStart", newTubeScene, 0.0f, true, -2.2f},
                    HalfCycleCase{"TubeMiddle", newTubeScene, 0.25f, true, 1.5f - 2.2f},
                    HalfCycleCase{"TubeSecondHalf", newTubeScene, 0.75f, false, 0.0f},
                    HalfCycleCase{"TubeWholeUnit", newTubeScene, 1.0f, true, -2.2f},
                    HalfCycleCase{"TubeBeforeStart", newTubeScene, -0.75f, false, 0.0f},
                    HalfCycleCase{"TubeInfiniteProgress", newTubeScene,
                                  std::numeric_limits<float>::infinity(), false, 0.0f}),
    [](const testing::TestParamInfo<HalfCycleCase>& param) { return std::string(param.param.name); });

TEST(SlideOffset, FallsToZeroAtBothEndsOfTheHalfCycle) {
    EXPECT_EQ(slideOffset(0.0f), 0.0f);
    EXPECT_EQ(slideOffset(0.5f), 1.5f);
    EXPECT_NEAR(slideOffset(std::nextafter(1.0f, 0.0f)), 0.0f, 1e-5);
    EXPECT_NEAR(slideOffset(0.25f), 1.5f, 1e-9);
}

// D . N exactly at the threshold gives no offset; just below it does.
TEST(ShadeVertex, ThresholdIsStrict) {
    const double tA[3] = {1.0, 0.0, 0.0};
    const double tB[3] = {0.0, 1.0, 0.0};  // tB x tA = (0, 0, -1)
    const float light[3] = {0.0f, 0.0f, -0.5f};
    MeshVertex vertex{};
    vertex.position[0] = 0.5f;  // D = (0.5, 0, 0.5), D . N = -0.5, l . tA = sqrt(0.5)
    shadeVertex(vertex, tA, tB, 1.0, light, -0.5);
    EXPECT_EQ(vertex.normal[2], -1.0f);
    EXPECT_EQ(vertex.embossOffset[0], 0.0f);
    EXPECT_EQ(vertex.embossOffset[1], 0.0f);

    shadeVertex(vertex, tA, tB, 1.0, light, std::nextafter(-0.5, 0.0));
    EXPECT_NEAR(vertex.embossOffset[0], 0.01 * std::sqrt(0.5), 1e-8);
    EXPECT_EQ(vertex.embossOffset[1], 0.0f);

    shadeVertex(vertex, tA, tB, -1.0, light, 0.5);  // the sign turns N and D . N
    EXPECT_EQ(vertex.normal[2], 1.0f);
    EXPECT_EQ(vertex.embossOffset[0], 0.0f);
}

TEST(ShadeVertex, ZeroTangentsAndLightAtTheVertexGiveZeros) {
    const double zero[3] = {0.0, 0.0, 0.0};
    const double tA[3] = {1.0, 0.0, 0.0};
    const float light[3] = {0.0f, 0.0f, 0.0f};
    MeshVertex vertex{};
    shadeVertex(vertex, tA, zero, 1.0, light, 1.0);  // D . N = 0 < 1, but |D| = 0
    for (float f : {vertex.normal[0], vertex.normal[1], vertex.normal[2], vertex.embossOffset[0],
                    vertex.embossOffset[1]})
        EXPECT_EQ(f, 0.0f);
}

// Over a fine sweep of the phase no vertex float becomes NaN or infinite,
// the poles and the degenerate tangents included.
TEST(MeshSweep, EveryVertexStaysFinite) {
    ASSERT_NE(sharedGl(), nullptr);
    ASSERT_TRUE(useBumpTexture());
    constexpr int STEPS = 64;
    for (Scene* (*make)() : {newSphereScene, newTubeScene}) {
        ScenePtr scene = makeScene(make);
        const bool sphere = make == newSphereScene;
        for (int i = 0; i < STEPS; ++i) {
            const float u = static_cast<float>(i) / STEPS;
            prepareFrame(0.0f, 0.0f, 0.0f);
            scene->render(sphere ? sphereProgress(u) : tubeProgress(u), 0.0f);
            const float* f = &scene->vertices[0].position[0];
            const size_t count = scene->vertices.size() * 8;
            size_t bad = 0;
            for (size_t k = 0; k < count; ++k)
                bad += std::isfinite(f[k]) ? 0 : 1;
            EXPECT_EQ(bad, 0u) << (sphere ? "sphere" : "tube") << " u " << u;
            for (float l : scene->lightPos)
                EXPECT_TRUE(std::isfinite(l));
        }
    }
}

}  // namespace
