// The ES backend's own bookkeeping, drawn on a small native GLES 3 context:
// what the show's frames pass through without showing it fails (the
// attribute stack's groups, the quad split, a glBegin longer than one draw
// call, a deleted texture's unit) and the lists of gfx/gl_subset.h held as
// assertions. Positions are given in clip space: both matrices stay the
// identity.
#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <array>
#include <cassert>
#include <cstdlib>
#include <iterator>

#include "gfx/es/backend_state.h"
#include "gfx/es/primitive_renderer.h"
#include "gfx/es/webgl_backend.h"
#include "gfx/gl_subset.h"

namespace {

constexpr int SIDE = 64;  // the drawing buffer's width and height
constexpr int LEVEL_TOLERANCE = 1;

using Rgba = std::array<int, 4>;
constexpr Rgba BLACK = {0, 0, 0, 255};
constexpr Rgba WHITE = {255, 255, 255, 255};
constexpr Rgba RED = {255, 0, 0, 255};
constexpr Rgba GREEN = {0, 255, 0, 255};
constexpr Rgba BLUE = {0, 0, 255, 255};

// A surfaceless Mesa display with a SIDE x SIDE pbuffer, current for the
// rest of the process; null, or what failed.
const char* openContext() {
    const auto platformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (platformDisplay == nullptr)
        return "no eglGetPlatformDisplayEXT";
    const EGLDisplay display = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_ES_API))
        return "no surfaceless EGL display";
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES3_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, &config, 1, &count) || count == 0)
        return "no GLES 3 pbuffer configuration";
    const EGLint size[] = {EGL_WIDTH, SIDE, EGL_HEIGHT, SIDE, EGL_NONE};
    const EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    const EGLint version[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_NONE};
    const EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, version);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT || !eglMakeCurrent(display, surface, surface, context))
        return "no GLES 3 context";
    return nullptr;
}

// True where assert() is compiled in: the expression is evaluated only then.
bool assertionsLive() {
    bool live = false;
    assert((live = true));
    return live;
}

class WebGlBackendBookkeeping : public ::testing::Test {
protected:
    void SetUp() override {
        static const char* const contextError = openContext();
        ASSERT_EQ(contextError, nullptr) << contextError;
        ASSERT_TRUE(startWebGlBackend()) << lastWebGlBackendError();
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override { stopWebGlBackend(); }

    // A 1 x 1 texture of that colour, bound to the active unit.
    static GLuint makeTexture(const Rgba& colour) {
        GLuint name = 0;
        glGenTextures(1, &name);
        const GLubyte texel[4] = {GLubyte(colour[0]), GLubyte(colour[1]), GLubyte(colour[2]), GLubyte(colour[3])};
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        return name;
    }

    static void colour(const Rgba& c) { glColor4ub(GLubyte(c[0]), GLubyte(c[1]), GLubyte(c[2]), GLubyte(c[3])); }

    // The corners of the box [left, right] x [bottom, top] in ring order,
    // as one quad or as its two triangles (0 1 2) and (0 2 3).
    static void boxQuad(float left, float bottom, float right, float top) {
        glVertex3f(left, bottom, 0.0f);
        glVertex3f(right, bottom, 0.0f);
        glVertex3f(right, top, 0.0f);
        glVertex3f(left, top, 0.0f);
    }
    static void boxTriangles(float left, float bottom, float right, float top) {
        glVertex3f(left, bottom, 0.0f);
        glVertex3f(right, bottom, 0.0f);
        glVertex3f(right, top, 0.0f);
        glVertex3f(left, bottom, 0.0f);
        glVertex3f(right, top, 0.0f);
        glVertex3f(left, top, 0.0f);
    }
    static void fillFrame() {
        glBegin(GL_QUADS);
        boxQuad(-1.0f, -1.0f, 1.0f, 1.0f);
        glEnd();
    }

    static Rgba pixel(int x, int y) {
        GLubyte rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2], rgba[3]};
    }
};

::testing::AssertionResult near(const Rgba& actual, const Rgba& expected) {
    for (size_t i = 0; i < actual.size(); ++i) {
        if (std::abs(actual[i] - expected[i]) > LEVEL_TOLERANCE)
            return ::testing::AssertionFailure() << "(" << actual[0] << ", " << actual[1] << ", " << actual[2]
                                                 << ", " << actual[3] << ")";
    }
    return ::testing::AssertionSuccess();
}

// A pop brings back exactly the groups its push named: the colour, the
// lighting switch, both units' switches and bindings (which ES must be told
// again) and the active unit; a group left out keeps its changes.
TEST_F(WebGlBackendBookkeeping, PopAttribRestoresThePushedGroupsOnly) {
    GLbitfield allPushed = 0;
    for (GLbitfield bit : GL_SUBSET_PUSHED_STATE)
        allPushed |= bit;
    const GLuint green = makeTexture(GREEN);
    const GLuint blue = makeTexture(BLUE);
    glBindTexture(GL_TEXTURE_2D, green);
    glEnable(GL_TEXTURE_2D);
    colour(WHITE);

    glPushAttrib(allPushed);
    colour(BLACK);
    glEnable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, blue);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, blue);
    glEnable(GL_TEXTURE_2D);
    glPopAttrib();
    fillFrame();
    EXPECT_TRUE(near(pixel(SIDE / 2, SIDE / 2), GREEN));

    // Unit 0 is active again: this binding lands there, and the colour
    // pushed alone comes back without undoing it (as the bindings ES is
    // told again at the next pop of the texture group show).
    glPushAttrib(GL_CURRENT_BIT);
    colour(BLACK);
    glBindTexture(GL_TEXTURE_2D, blue);
    glPopAttrib();
    glPushAttrib(GL_TEXTURE_BIT);
    glPopAttrib();
    fillFrame();
    EXPECT_TRUE(near(pixel(SIDE / 2, SIDE / 2), BLUE));
}

// A quad (v0 v1 v2 v3) is the triangles (v0 v1 v2) and (v0 v2 v3): with red
// at v0 and v2 and blue at v1 and v3, the middle of the v0-v2 diagonal is
// red (split the other way it would be blue). Each quad of a glBegin takes
// four corners of its own, and corners short of a whole quad draw nothing.
TEST_F(WebGlBackendBookkeeping, QuadsAreTrianglesAlongTheFirstDiagonal) {
    glBegin(GL_QUADS);
    for (float left : {-1.0f, 0.0f}) {
        const float right = left + 1.0f;
        colour(RED);
        glVertex3f(left, -1.0f, 0.0f);
        colour(BLUE);
        glVertex3f(right, -1.0f, 0.0f);
        colour(RED);
        glVertex3f(right, 1.0f, 0.0f);
        colour(BLUE);
        glVertex3f(left, 1.0f, 0.0f);
    }
    colour(GREEN);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glVertex3f(3.0f, -1.0f, 0.0f);
    glVertex3f(-1.0f, 3.0f, 0.0f);
    glEnd();
    for (int x : {SIDE / 4, 3 * SIDE / 4}) {
        const Rgba middle = pixel(x, SIDE / 2);
        EXPECT_GT(middle[0], 200) << "x " << x;
        EXPECT_LT(middle[2], 55) << "x " << x;
        EXPECT_EQ(middle[1], 0) << "x " << x;
    }
}

// A glBegin of more vertices than one draw call takes is drawn in several,
// each with the glBegin's state: the first primitive, the last before the
// buffer fills and the very last all land. The rest have no area.
TEST_F(WebGlBackendBookkeeping, ABeginLongerThanTheBufferIsDrawnWhole) {
    struct Mode {
        GLenum mode;
        void (*box)(float, float, float, float);
    };
    const Mode modes[] = {{GL_TRIANGLES, boxTriangles}, {GL_QUADS, boxQuad}};
    constexpr int BOX_DRAWN_VERTICES = 6;  // two triangles, either way
    for (const Mode& m : modes) {
        glClear(GL_COLOR_BUFFER_BIT);
        const int boxesPerDraw = PRIMITIVE_VERTEX_CAPACITY / BOX_DRAWN_VERTICES;
        const int boxes = boxesPerDraw + boxesPerDraw / 2;
        colour(RED);
        glBegin(m.mode);
        for (int i = 0; i < boxes; ++i) {
            if (i == 0)
                m.box(-1.0f, -1.0f, -0.4f, 1.0f);
            else if (i == boxesPerDraw - 1)
                m.box(-0.3f, -1.0f, 0.3f, 1.0f);
            else if (i == boxes - 1)
                m.box(0.4f, -1.0f, 1.0f, 1.0f);
            else
                m.box(0.0f, 0.0f, 0.0f, 0.0f);
        }
        glEnd();
        for (int x : {SIDE / 8, SIDE / 2, 7 * SIDE / 8})
            EXPECT_TRUE(near(pixel(x, SIDE / 2), RED)) << "mode " << m.mode << ", x " << x;
    }
}

// Deleting a texture leaves every unit bound to it at name 0, as OpenGL
// does, the inactive unit too, and no other unit: the bindings are what a
// pop of the texture group tells ES to bind again.
TEST_F(WebGlBackendBookkeeping, DeletingATextureUnbindsItFromEveryUnit) {
    const TextureUnitState* const units = backend().state.texture.units;
    GLuint kept = makeTexture(GREEN);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    GLuint deleted[2] = {makeTexture(RED), 0};
    glGenTextures(1, &deleted[1]);  // never bound
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDeleteTextures(2, deleted);
    EXPECT_EQ(units[1].binding, 0u);
    EXPECT_EQ(units[0].binding, kept);

    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, kept);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDeleteTextures(1, &kept);
    EXPECT_EQ(units[0].binding, 0u);
    EXPECT_EQ(units[1].binding, 0u);
}

// The multitexture entry points are the backend's own, by the names the
// subset lists, and nothing else is looked up.
TEST_F(WebGlBackendBookkeeping, LookupsAnswerTheBackendsEntryPoints) {
    const struct {
        const char* name;
        void* address;
    } expected[] = {
        {"glActiveTextureARB", reinterpret_cast<void*>(&glActiveTextureARB)},
        {"glMultiTexCoord2fARB", reinterpret_cast<void*>(&glMultiTexCoord2fARB)},
        {"glClientActiveTextureARB", reinterpret_cast<void*>(&glClientActiveTextureARB)},
        {"glMultiTexCoord2fvARB", reinterpret_cast<void*>(&glMultiTexCoord2fvARB)},
    };
    ASSERT_EQ(std::size(expected), std::size(GL_SUBSET_LOOKUPS));
    for (const auto& entry : expected)
        EXPECT_EQ(glProcAddress(entry.name), entry.address) << entry.name;
    EXPECT_EQ(glProcAddress("glActiveTexture"), nullptr);
}

// Values outside the lists of gfx/gl_subset.h stop a build with assertions.
TEST_F(WebGlBackendBookkeeping, UnlistedValuesAreAssertions) {
    if (!assertionsLive())
        GTEST_SKIP() << "assertions are compiled out in this build";
    EXPECT_DEATH(glEnable(GL_FOG), "switch");
    EXPECT_DEATH(glPushAttrib(GL_ENABLE_BIT), "state bit");
    EXPECT_DEATH(glBlendFunc(GL_ONE, GL_ONE), "blend pair");
    EXPECT_DEATH(glActiveTextureARB(GL_TEXTURE2_ARB), "texture unit");
    EXPECT_DEATH(glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB_EXT, GL_MODULATE), "combine function");
}

}  // namespace
