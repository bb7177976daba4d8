// The meshes against the worked figures: base records, deformed positions,
// normals, emboss offsets, light positions and the triangle lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "scenes/sphere_scene.h"
#include "scenes/tube_scene.h"
#include "tests/mesh_scenes/mesh_fixture.h"

namespace {

// Agreement to the six significant digits the figures carry.
void expectFigure(double actual, double expected) {
    EXPECT_NEAR(actual, expected, 1e-5 * std::fabs(expected) + 1e-9);
}

void expectFigures(const float* actual, double x, double y, double z) {
    expectFigure(actual[0], x);
    expectFigure(actual[1], y);
    expectFigure(actual[2], z);
}

double lightDotNormal(const BumpMeshScene& scene, int32_t n) {
    const MeshVertex& v = scene.vertices[n];
    double sum = 0.0;
    for (int i = 0; i < 3; ++i)
        sum += (double{v.position[i]} - scene.lightPos[i]) * v.normal[i];
    return sum;
}

const SphereBaseVertex& sphereBase(const BumpMeshScene& scene, int32_t n) {
    return reinterpret_cast<const SphereBaseVertex*>(scene.baseVertices.data())[n];
}

class MeshGeometryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(sharedGl(), nullptr);
        ASSERT_TRUE(useBumpTexture());
        prepareFrame(0.0f, 0.0f, 0.0f);
    }
};

TEST_F(MeshGeometryTest, SphereBaseRecordNearThePole) {
    ScenePtr sphere = makeScene(newSphereScene);
    const SphereBaseVertex& base = sphereBase(*sphere, sphereVertex(1, 1));
    expectFigures(base.position, 0.0529207, 0.998583, 0.00565717);
    expectFigures(base.phaseAngles, 0.00283257, 0.732151, 0.758925);
    expectFigure(base.s, 0.05);
    expectFigure(base.t, 0.05);
}

// Every base record as the plain double computation gives it, each value
// rounded to float once: no last-place slip of a single-precision atan2.
TEST_F(MeshGeometryTest, SphereBaseRecordsAreExact) {
    ScenePtr sphere = makeScene(newSphereScene);
    int32_t mismatches = 0;
    for (int32_t c = 0; c < SPHERE_COLUMNS; ++c) {
        const double theta = c * double{0.10649467f};
        const float cosTheta = static_cast<float>(std::cos(theta));
        const float sinTheta = static_cast<float>(std::sin(theta));
        for (int32_t j = 0; j < SPHERE_ROWS; ++j) {
            const double phi = j * double{0.053247336f};
            const float x = static_cast<float>(cosTheta * std::sin(phi));
            const float y = static_cast<float>(std::cos(phi));
            const float z = static_cast<float>(sinTheta * std::sin(phi));
            const float expected[8] = {
                x, y, z,
                static_cast<float>(0.5 * std::atan2(double{z}, double{y})),
                static_cast<float>(0.5 * std::atan2(double{x}, double{z})),
                static_cast<float>(0.5 * std::atan2(double{y}, double{x})),
                static_cast<float>(c * double{0.050000004f}),
                static_cast<float>(j * double{0.050000004f}),
            };
            const float* actual = &sphere->baseVertices[sphereVertex(c, j) * 8];
            if (std::memcmp(actual, expected, sizeof expected) != 0 && ++mismatches <= 5)
                ADD_FAILURE() << "record c " << c << " j " << j;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(MeshGeometryTest, SphereAtPhaseZero) {
    ScenePtr sphere = makeScene(newSphereScene);
    sphere->render(sphereProgress(0.0f), 0.0f);
    expectFigures(sphere->lightPos, 0.841471, -0.432391, -4.077566);

    const float* p = sphere->vertices[sphereVertex(15, 30)].position;
    expectFigure(std::sqrt(double{p[0]} * p[0] + double{p[1]} * p[1] + double{p[2]} * p[2]), 1.28191);

    const int32_t lit = sphereVertex(1, 30);
    const MeshVertex& v = sphere->vertices[lit];
    expectFigures(v.position, 1.18449, -0.0317227, 0.126621);
    expectFigures(v.normal, 0.783469, -0.563787, -0.182332);
    EXPECT_NEAR(lightDotNormal(*sphere, lit), -0.7237, 5e-5);
    EXPECT_NEAR(v.embossOffset[0], -0.001868, 5e-7);
    EXPECT_NEAR(v.embossOffset[1], 0.009848, 5e-7);

    const int32_t away = sphereVertex(30, 30);
    EXPECT_NEAR(lightDotNormal(*sphere, away), 3.176, 5e-4);
    EXPECT_EQ(sphere->vertices[away].embossOffset[0], 0.0f);
    EXPECT_EQ(sphere->vertices[away].embossOffset[1], 0.0f);
}

// The +y pole: a4 splits the first row into groups that share one position,
// and the degenerate tangent between equal points gives a zero normal.
TEST_F(MeshGeometryTest, SpherePoleGroups) {
    ScenePtr sphere = makeScene(newSphereScene);
    sphere->render(sphereProgress(0.25f), 0.0f);
    auto pole = [&](int32_t c) { return sphere->vertices[sphereVertex(c, 0)].position; };
    auto samePosition = [](const float* a, const float* b) {
        return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
    };
    for (int32_t c = 1; c < 30; ++c)
        EXPECT_TRUE(samePosition(pole(c), pole(0))) << "column " << c;
    EXPECT_TRUE(samePosition(pole(59), pole(0)));
    for (int32_t c = 31; c < 45; ++c)
        EXPECT_TRUE(samePosition(pole(c), pole(30))) << "column " << c;
    for (int32_t c = 46; c < 59; ++c)
        EXPECT_TRUE(samePosition(pole(c), pole(45))) << "column " << c;
    EXPECT_NE(pole(0)[1], pole(30)[1]);
    EXPECT_NEAR(pole(30)[1], pole(45)[1], 1e-6);

    for (int32_t c : {0, 5, 40}) {
        const MeshVertex& v = sphere->vertices[sphereVertex(c, 0)];
        for (float component : v.normal)
            EXPECT_EQ(component, 0.0f) << "column " << c;
        EXPECT_EQ(v.embossOffset[0], 0.0f);
        EXPECT_EQ(v.embossOffset[1], 0.0f);
    }
}

// In every region N is (growing c) x (growing j): outwards, except the
// last row just past the -y pole, which points inwards.
TEST_F(MeshGeometryTest, SphereNormalsFollowTheGrid) {
    ScenePtr sphere = makeScene(newSphereScene);
    sphere->render(sphereProgress(0.5f), 0.0f);
    for (int32_t c = 0; c < SPHERE_COLUMNS; ++c) {
        for (int32_t j = 1; j < SPHERE_ROWS; ++j) {
            const MeshVertex& v = sphere->vertices[sphereVertex(c, j)];
            const double outwards = double{v.normal[0]} * v.position[0] +
                                    double{v.normal[1]} * v.position[1] +
                                    double{v.normal[2]} * v.position[2];
            if (j < SPHERE_ROWS - 1)
                EXPECT_GT(outwards, 0.0) << "c " << c << " j " << j;
            else
                EXPECT_LT(outwards, 0.0) << "c " << c;
        }
    }
}

TEST_F(MeshGeometryTest, TubeAtPhaseZero) {
    ScenePtr tube = makeScene(newTubeScene);
    tube->render(tubeProgress(0.0f), 0.0f);
    expectFigures(tube->lightPos, 0.841471, -0.511340, -4.525308);
    expectFigures(tube->vertices[tubeVertex(0, 16, 0)].position, -0.693209, 0.5, 0.139502);

    float facing[3];
    const float eye[3] = {0.3f, 0.0f, 1.0f};
    intoObjectSpace(tube->objectMatrix.get(), eye, facing);
    expectFigures(facing, 0.3, -0.173648, 0.984808);

    int onAxisLine = 0;
    for (int32_t n = 0; n < TUBE_VERTICES; ++n) {
        const float* base = &tube->baseVertices[n * 3];
        if (base[1] != 0.0f)
            continue;
        ++onAxisLine;
        const float* p = tube->vertices[n].position;
        EXPECT_TRUE(p[0] == base[0] && p[1] == base[1] && p[2] == base[2]) << "vertex " << n;
    }
    EXPECT_EQ(onAxisLine, TUBE_FACES * TUBE_COLUMNS);
}

TEST_F(MeshGeometryTest, TubeFacingVectorAtMidCycle) {
    ScenePtr tube = makeScene(newTubeScene);
    tube->render(tubeProgress(0.5f), 0.0f);
    float facing[3];
    const float eye[3] = {0.3f, 0.0f, 1.0f};
    intoObjectSpace(tube->objectMatrix.get(), eye, facing);
    expectFigures(facing, -0.765753, -0.173648, 0.688090);
}

// The normal sign and the region table together turn every normal of every
// wall outwards, away from the y axis the walls are twisted about.
TEST_F(MeshGeometryTest, TubeNormalsPointOutOfTheTube) {
    ScenePtr tube = makeScene(newTubeScene);
    for (float u : {0.0f, 0.3f}) {
        tube->render(tubeProgress(u), 0.0f);
        for (int32_t n = 0; n < TUBE_VERTICES; ++n) {
            const MeshVertex& v = tube->vertices[n];
            EXPECT_GT(double{v.normal[0]} * v.position[0] + double{v.normal[2]} * v.position[2], 0.0)
                << "u " << u << " vertex " << n;
        }
    }
}

TEST_F(MeshGeometryTest, TriangleListsEnds) {
    struct Expected {
        Scene* (*make)();
        int32_t firstCell[6];
        int32_t lastCell[6];
    };
    const Expected meshes[] = {
        {newSphereScene, {0, 60, 61, 0, 61, 1}, {3538, 3598, 3599, 3538, 3599, 3539}},
        {newTubeScene, {0, 16, 17, 0, 17, 1}, {2030, 2046, 2047, 2030, 2047, 2031}},
    };
    for (const Expected& mesh : meshes) {
        ScenePtr scene = makeScene(mesh.make);
        const BumpMeshKind& kind = scene->kind();
        int32_t corners[6];
        cellCorners(kind.faces[0], kind.columns, 0, 0, corners);
        EXPECT_TRUE(std::equal(corners, corners + 6, mesh.firstCell));
        cellCorners(kind.faces[kind.faceCount - 1], kind.columns, kind.rows - 2, kind.columns - 2, corners);
        EXPECT_TRUE(std::equal(corners, corners + 6, mesh.lastCell));
    }
}

}  // namespace
