// The OpenGL the show draws with: a small fixed-function subset of OpenGL 1.1
// and GLU, and the two extensions ARB_multitexture and EXT_texture_env_combine.
// Scenes, textures, the timeline, the run sequence and the recorder include
// this header for their GL, and no other; a backend that implements what is
// listed here, and nothing more, draws the whole show.
//
// On Linux the subset is the system's OpenGL 1.1 and GLU, linked directly,
// with the multitexture entry points looked up at run time through
// glProcAddress() below: a driver may lack them, and the run
// sequence tests the extension string before any scene calls them.
//
// What a backend must honour besides the calls:
//   - Fixed state (gfx/fixed_gl_state.h): smooth shading, clear colour
//     (0, 0, 0, 0), clear stencil 0, GL_PERSPECTIVE_CORRECTION_HINT at
//     GL_FASTEST, one projection from gluPerspective; model-view matrices
//     from glLoadIdentity, glTranslatef, glRotatef and gluLookAt, read back
//     with glGetFloatv(GL_MODELVIEW_MATRIX).
//   - glClearDepth clamps its value into [0, 1]: the 10 the fixed state asks
//     for clears the depth buffer to the far value 1.
//   - Depth functions GL_LEQUAL (the rule) and GL_EQUAL (a pass that draws
//     exactly over the pass before it); glDepthMask on and off; the scissor
//     box of the letterbox band.
//   - GL_QUADS and GL_TRIANGLES between glBegin and glEnd, with the current
//     colour, a normal and one or two texture coordinates per vertex.
//   - Textures: 2D RGBA images of unsigned bytes, filtered GL_LINEAR or
//     GL_NEAREST; GL_MAX_TEXTURE_SIZE and GL_PROXY_TEXTURE_2D answer whether
//     an image fits. Environment GL_MODULATE, OpenGL's default, except in the
//     emboss pass: GL_COMBINE_EXT with each unit's RGB function
//     (GL_SUBSET_TEXTURE_UNITS).
//   - One positional light, GL_LIGHT0: its position (w = 1) and its ambient
//     colour; the material stays OpenGL's default.
//   - glGetString(GL_EXTENSIONS) names the two extensions.
//   - The recorder reads each frame back with glReadPixels (GL_RGB, unsigned
//     bytes, the default pack alignment) or waits for it with glFinish.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>  // the ARB_multitexture and EXT_texture_env_combine names

// Looks up a GL entry point by name in the current context's driver; each
// platform implements it. Needs a current context; answers null for a name
// the driver lacks. Callers test the extension string first, since a driver
// may hand back a pointer for a function it does not support.
void* glProcAddress(const char* name);

// Every GL and GLU function the core links against, and only those
// (tests/gfx/gl_subset_test.cpp holds the libraries to it).
constexpr const char* GL_SUBSET_CALLS[] = {
    // state switches and functions
    "glEnable", "glDisable", "glPushAttrib", "glPopAttrib", "glShadeModel", "glHint", "glDepthFunc", "glDepthMask",
    "glBlendFunc", "glScissor", "glViewport",
    // matrices
    "glMatrixMode", "glLoadIdentity", "glTranslatef", "glRotatef", "glGetFloatv", "gluPerspective", "gluLookAt",
    // primitives
    "glBegin", "glEnd", "glVertex3f", "glVertex3fv", "glNormal3fv", "glTexCoord2f", "glColor3ub", "glColor4ub",
    "glColor4f",
    // the light
    "glLightfv",
    // textures
    "glGenTextures", "glDeleteTextures", "glBindTexture", "glTexParameteri", "glTexImage2D", "glTexEnvf",
    "glGetTexLevelParameteriv", "glGetIntegerv",
    // the frame
    "glClear", "glClearColor", "glClearDepth", "glClearStencil", "glFinish", "glReadPixels",
    // the extension string
    "glGetString",
};

// The entry points looked up by name once a context is current. The mesh
// scenes call the first two; the other two are fetched and never called.
constexpr const char* GL_SUBSET_LOOKUPS[] = {
    "glActiveTextureARB",
    "glMultiTexCoord2fARB",
    "glClientActiveTextureARB",
    "glMultiTexCoord2fvARB",
};

// What glEnable and glDisable switch.
constexpr GLenum GL_SUBSET_SWITCHES[] = {
    GL_BLEND, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_SCISSOR_TEST, GL_TEXTURE_2D, GL_TEXTURE_GEN_S,
    GL_TEXTURE_GEN_T,
};

// The state glPushAttrib saves and glPopAttrib brings back around the mesh
// scenes' passes: the current colour, the light and the texture units
// (both units' enables, bindings and environments).
constexpr GLbitfield GL_SUBSET_PUSHED_STATE[] = {GL_CURRENT_BIT, GL_LIGHTING_BIT, GL_TEXTURE_BIT};

struct GlBlendFunction {
    GLenum source;
    GLenum destination;
};

// Every pair glBlendFunc is given.
constexpr GlBlendFunction GL_SUBSET_BLEND_FUNCTIONS[] = {
    {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},  // pictures, slides, the fade
    {GL_SRC_ALPHA, GL_ONE},                  // the credits, added
    {GL_SRC_COLOR, GL_ONE},                  // the mesh colour pass, added
    {GL_ZERO, GL_ONE_MINUS_SRC_COLOR},       // the glow sprites, darkening
};

struct GlTextureUnit {
    GLenum unit;
    GLenum combineRgb;  // GL_COMBINE_RGB_EXT under GL_COMBINE_EXT
};

// The two units of the emboss pass; unit 0 is the active one at all other
// times, with its environment at GL_MODULATE.
constexpr GlTextureUnit GL_SUBSET_TEXTURE_UNITS[] = {
    {GL_TEXTURE0_ARB, GL_REPLACE},
    {GL_TEXTURE1_ARB, GL_MODULATE},
};
