// The backend's matrices against the desktop driver's own (Mesa, through a
// desktop OpenGL context): element for element, bit for bit, since the
// scenes build their meshes from the matrices they read back.
#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "gfx/es/float_matrix.h"

namespace {

constexpr int SEQUENCES = 2000;
constexpr int STEPS = 6;

// A desktop OpenGL context without a surface: matrices need no drawing.
bool makeDesktopContextCurrent() {
    const auto platformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (platformDisplay == nullptr)
        return false;
    EGLDisplay display = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API) ||
        !eglChooseConfig(display, wanted, &config, 1, &count) || count == 0)
        return false;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    return context != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

class FloatMatrixTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { contextReady = makeDesktopContextCurrent(); }
    void SetUp() override { ASSERT_TRUE(contextReady) << "no desktop OpenGL context"; }

    static void expectSame(const float ours[MATRIX_FLOATS], GLenum matrix, int sequence) {
        float theirs[MATRIX_FLOATS];
        glGetFloatv(matrix, theirs);
        EXPECT_EQ(std::memcmp(ours, theirs, sizeof theirs), 0) << "sequence " << sequence;
    }

    static bool contextReady;
};
bool FloatMatrixTest::contextReady = false;

// Axes along x, y or z, either way, take the driver's shortcut; others
// its general formula; a null axis changes nothing.
TEST_F(FloatMatrixTest, RotationsAndTranslationsAsTheDriver) {
    std::mt19937 random(15);
    std::uniform_real_distribution<float> angle(-720.0f, 720.0f);
    std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
    std::uniform_int_distribution<int> kind(0, 4);
    glMatrixMode(GL_MODELVIEW);
    for (int sequence = 0; sequence < SEQUENCES; ++sequence) {
        float ours[MATRIX_FLOATS];
        setIdentity(ours);
        glLoadIdentity();
        for (int step = 0; step < STEPS; ++step) {
            float axis[3] = {coordinate(random), coordinate(random), coordinate(random)};
            const int k = kind(random);
            if (k < 3) {
                const float sign = axis[k] < 0.0f ? -1.0f : 1.0f;
                axis[0] = axis[1] = axis[2] = 0.0f;
                axis[k] = sign;
            } else if (k == 4 && step == 0) {
                axis[0] = axis[1] = axis[2] = 0.0f;
            }
            const float degrees = angle(random);
            rotate(ours, degrees, axis[0], axis[1], axis[2]);
            glRotatef(degrees, axis[0], axis[1], axis[2]);
            const float by[3] = {coordinate(random), coordinate(random), coordinate(random)};
            translate(ours, by[0], by[1], by[2]);
            glTranslatef(by[0], by[1], by[2]);
        }
        expectSame(ours, GL_MODELVIEW_MATRIX, sequence);

        // A light placed by that matrix.
        const float position[4] = {coordinate(random), coordinate(random), coordinate(random), 1.0f};
        float placed[4], theirs[4];
        transformPoint(ours, position, placed);
        glLightfv(GL_LIGHT0, GL_POSITION, position);
        glGetLightfv(GL_LIGHT0, GL_POSITION, theirs);
        EXPECT_EQ(std::memcmp(placed, theirs, sizeof theirs), 0) << "sequence " << sequence;
    }
}

// GLU builds in double and multiplies as glMultMatrixd; gluLookAt works in
// float and ends with glTranslated.
TEST_F(FloatMatrixTest, PerspectiveAndLookAtAsGlu) {
    std::mt19937 random(16);
    std::uniform_real_distribution<double> fovy(10.0, 120.0), aspect(0.5, 2.5), distance(0.001, 50.0);
    std::uniform_real_distribution<double> coordinate(-20.0, 20.0);
    for (int sequence = 0; sequence < SEQUENCES; ++sequence) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        float projection[MATRIX_FLOATS];
        setIdentity(projection);
        const double zNear = distance(random);
        const double zFar = zNear + distance(random);
        const double f = fovy(random), a = aspect(random);
        gluPerspective(f, a, zNear, zFar);
        multiplyByPerspective(projection, f, a, zNear, zFar);
        expectSame(projection, GL_PROJECTION_MATRIX, sequence);

        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1.5f, -2.0f, 0.25f);
        float view[MATRIX_FLOATS];
        setIdentity(view);
        translate(view, 1.5f, -2.0f, 0.25f);
        double eye[3], centre[3], up[3];
        for (int i = 0; i < 3; ++i) {
            eye[i] = coordinate(random);
            centre[i] = coordinate(random);
            up[i] = coordinate(random);
        }
        gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], up[0], up[1], up[2]);
        multiplyByLookAt(view, eye, centre, up);
        expectSame(view, GL_MODELVIEW_MATRIX, sequence);
    }
}

}  // namespace
