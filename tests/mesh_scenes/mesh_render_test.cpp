// Drawn frames in the headless context: the letterbox band, the GL state the
// meshes leave, no heap allocation, and a missing bump texture.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "scenes/sphere_scene.h"
#include "scenes/tube_scene.h"
#include "tests/mesh_scenes/mesh_fixture.h"
#include "tests/support/alloc_counter.h"

namespace {

constexpr int BAND_BOTTOM = 128;  // rows from the bottom of the frame
constexpr int BAND_TOP = 639;
constexpr float BACKDROP = 0.25f;  // grey the frame is cleared to

struct MeshCase {
    const char* name;
    Scene* (*make)();
    float progress;  // a frame in the middle of the mesh's half cycle
    bool tubeRules;  // enables the depth test itself, restores the current colour
};

void PrintTo(const MeshCase& mesh, std::ostream* out) { *out << mesh.name; }

class MeshRenderTest : public testing::TestWithParam<MeshCase> {
protected:
    void SetUp() override {
        ASSERT_NE(sharedGl(), nullptr);
        ASSERT_TRUE(useBumpTexture());
    }
};

TEST_P(MeshRenderTest, DrawsInsideTheBandOnly) {
    ScenePtr scene = makeScene(GetParam().make);
    prepareFrame(BACKDROP, BACKDROP, BACKDROP);
    const std::vector<uint8_t> backdrop = sharedGl()->readPixels();
    scene->render(GetParam().progress, 0.0f);
    const std::vector<uint8_t> frame = sharedGl()->readPixels();
    const size_t rowBytes = HeadlessGl::WIDTH * 4;
    int changedRowsInside = 0;
    for (int y = 0; y < HeadlessGl::HEIGHT; ++y) {
        const bool changed = std::memcmp(&frame[y * rowBytes], &backdrop[y * rowBytes], rowBytes) != 0;
        if (y < BAND_BOTTOM || y > BAND_TOP)
            EXPECT_FALSE(changed) << "row " << y;
        else
            changedRowsInside += changed ? 1 : 0;
    }
    EXPECT_GT(changedRowsInside, 50);
}

TEST_P(MeshRenderTest, LeavesTheAgreedGlState) {
    ScenePtr scene = makeScene(GetParam().make);
    prepareFrame(0.0f, 0.0f, 0.0f);
    glDisable(GL_DEPTH_TEST);
    if (!GetParam().tubeRules)
        glEnable(GL_DEPTH_TEST);
    GLfloat colourBefore[4];
    glGetFloatv(GL_CURRENT_COLOR, colourBefore);
    scene->render(GetParam().progress, 0.0f);

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLint value = 0;
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
    EXPECT_EQ(value, GL_TEXTURE0);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);

    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_TRUE(std::memcmp(modelView, scene->objectMatrix.get(), sizeof modelView) == 0);
    // Only the tube restores the current colour it found.
    GLfloat colourAfter[4];
    glGetFloatv(GL_CURRENT_COLOR, colourAfter);
    if (GetParam().tubeRules)
        EXPECT_TRUE(std::memcmp(colourAfter, colourBefore, sizeof colourAfter) == 0);
    else
        EXPECT_NEAR(colourAfter[3], 128.0 / 255.0, 1e-6);
}

// Our code allocates nothing in a drawn frame. The driver's own allocations
// are reported, not judged.
TEST_P(MeshRenderTest, DrawnFrameAllocatesNothing) {
    ScenePtr scene = makeScene(GetParam().make);
    prepareFrame(0.0f, 0.0f, 0.0f);
    scene->render(GetParam().progress, 0.0f);
    AllocationCounter allocations;
    for (int i = 0; i < 3; ++i) {
        prepareFrame(0.0f, 0.0f, 0.0f);
        scene->render(GetParam().progress + 0.01f * static_cast<float>(i), 0.0f);
    }
    EXPECT_EQ(allocations.count(), 0);
    RecordProperty("driverAllocations", static_cast<int>(allocations.totalCount()));
}

// Without the height map the texture falls back to 1x1 images; the scene
// still draws its frame and leaves a clean state.
TEST_P(MeshRenderTest, DrawsWithoutTheHeightMap) {
    char empty[] = "/tmp/mesh_no_data_XXXXXX";
    ASSERT_NE(mkdtemp(empty), nullptr);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(empty), 0);
    ScenePtr scene = makeScene(GetParam().make);
    ASSERT_EQ(chdir(previous), 0);
    rmdir(empty);

    prepareFrame(BACKDROP, BACKDROP, BACKDROP);
    const std::vector<uint8_t> backdrop = sharedGl()->readPixels();
    scene->render(GetParam().progress, 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FALSE(sharedGl()->readPixels() == backdrop);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

INSTANTIATE_TEST_SUITE_P(Meshes, MeshRenderTest,
                         testing::Values(MeshCase{"Sphere", newSphereScene, 0.75f, false},
                                         MeshCase{"Tube", newTubeScene, 0.25f, true}),
                         [](const testing::TestParamInfo<MeshCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
