// The subset's C functions (gfx/gl_subset.h) and glProcAddress(). Each keeps
// its state in the backend's FixedState or passes it on to ES; those that
// reach ES do nothing while the backend is not running.
//
// The lists of gfx/gl_subset.h are the contract: a switch, pushed bit, blend
// pair or texture unit outside them is the caller's mistake, asserted (the
// sanitizer tree keeps assertions live) and otherwise ignored.
#include "gfx/gl_subset.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <iterator>

#include "gfx/es/backend_state.h"
#include "gfx/es/es_calls.h"

namespace {

constexpr float BYTE_MAX = 255.0f;
constexpr int RGB_BYTES = 3;
constexpr int RGBA_BYTES = 4;
constexpr int PACK_ALIGNMENT = 4;  // OpenGL's default, the only one offered

constexpr const char* EXTENSIONS = "GL_ARB_multitexture GL_EXT_texture_env_combine";
constexpr const char* VENDOR = "pelmira15";
constexpr const char* RENDERER = "OpenGL 1.1 subset over WebGL 2";
constexpr const char* VERSION = "1.1 (over OpenGL ES 3.0)";

FixedState& state() { return backend().state; }

bool running() { return backend().running; }

float* currentMatrix() {
    FixedState& s = state();
    return s.matrixMode == GL_PROJECTION ? s.projection : s.modelView;
}

TextureUnitState& activeUnit() {
    TextureState& texture = state().texture;
    return texture.units[texture.activeUnit];
}

[[maybe_unused]] bool isListedSwitch(GLenum capability) {
    return std::find(std::begin(GL_SUBSET_SWITCHES), std::end(GL_SUBSET_SWITCHES), capability) !=
           std::end(GL_SUBSET_SWITCHES);
}

[[maybe_unused]] bool isListedPushedState(GLbitfield mask) {
    GLbitfield listed = 0;
    for (GLbitfield bit : GL_SUBSET_PUSHED_STATE)
        listed |= bit;
    return (mask & ~listed) == 0;
}

[[maybe_unused]] bool isListedBlendFunction(GLenum source, GLenum destination) {
    return std::any_of(std::begin(GL_SUBSET_BLEND_FUNCTIONS), std::end(GL_SUBSET_BLEND_FUNCTIONS),
                       [=](const GlBlendFunction& pair) {
                           return pair.source == source && pair.destination == destination;
                       });
}

// The place of a GL_TEXTUREi_ARB among GL_SUBSET_TEXTURE_UNITS, or -1.
int unitOf(GLenum texture) {
    const auto* const unit = std::find_if(std::begin(GL_SUBSET_TEXTURE_UNITS), std::end(GL_SUBSET_TEXTURE_UNITS),
                                          [=](const GlTextureUnit& listed) { return listed.unit == texture; });
    assert(unit != std::end(GL_SUBSET_TEXTURE_UNITS) && "a texture unit gfx/gl_subset.h does not list");
    return unit == std::end(GL_SUBSET_TEXTURE_UNITS) ? -1
                                                     : static_cast<int>(unit - std::begin(GL_SUBSET_TEXTURE_UNITS));
}

void setSwitch(GLenum capability, bool on) {
    assert(isListedSwitch(capability) && "a switch gfx/gl_subset.h does not list");
    switch (capability) {
    case GL_SCISSOR_TEST:
        backend().scissorTest = on;
        [[fallthrough]];
    case GL_BLEND:
    case GL_DEPTH_TEST:
        if (running())
            (on ? es::Enable : es::Disable)(capability);
        break;
    case GL_LIGHTING:
        state().light.lighting = on;
        break;
    case GL_LIGHT0:
        state().light.light0 = on;
        break;
    case GL_TEXTURE_2D:
        activeUnit().enabled = on;
        break;
    default:
        // GL_TEXTURE_GEN_S and _T: coordinates are never generated.
        break;
    }
}

// ES binds per unit; after a pop the bindings saved with the units return.
void bindUnitTextures() {
    if (!running())
        return;
    const TextureState& texture = state().texture;
    for (int unit = 0; unit < TEXTURE_UNIT_COUNT; ++unit) {
        es::ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        es::BindTexture(GL_TEXTURE_2D, texture.units[unit].binding);
    }
    es::ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(texture.activeUnit));
}

float byteToFloat(GLubyte value) { return static_cast<float>(value) / BYTE_MAX; }

void setColour(float red, float green, float blue, float alpha) {
    float* colour = state().current.colour;
    colour[0] = red;
    colour[1] = green;
    colour[2] = blue;
    colour[3] = alpha;
}

void setTexCoord(int unit, GLfloat s, GLfloat t) {
    if (unit < 0)
        return;
    state().current.texCoord[unit][0] = s;
    state().current.texCoord[unit][1] = t;
}

// The proxy answers as a driver that can make any image up to its largest
// side: the size asked for, or 0 when it would not fit.
void testProxyImage(GLint level, GLsizei width, GLsizei height, GLint border) {
    const GLint largest = backend().maxTextureSize;
    const bool fits = level == 0 && border == 0 && width >= 0 && height >= 0 && width <= largest &&
                      height <= largest;
    state().proxyWidth = fits ? width : 0;
    state().proxyHeight = fits ? height : 0;
}

// Rows from the bottom of the frame, as OpenGL numbers them, out of the
// frame kept top row first: GL_RGBA, or GL_RGB rows padded to the pack
// alignment.
void readPixelRows(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, uint8_t* out) {
    std::vector<uint8_t>& rgba = backend().readBack;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (rgba.size() < pixels * RGBA_BYTES)
        rgba.resize(pixels * RGBA_BYTES);
    es::ReadPixels(x, keptRowOf(y, height), width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const size_t pixelBytes = format == GL_RGB ? RGB_BYTES : RGBA_BYTES;
    const size_t rowBytes = (static_cast<size_t>(width) * pixelBytes + PACK_ALIGNMENT - 1) / PACK_ALIGNMENT *
                            PACK_ALIGNMENT;
    for (GLsizei row = 0; row < height; ++row) {
        const uint8_t* from =
            rgba.data() + static_cast<size_t>(height - 1 - row) * static_cast<size_t>(width) * RGBA_BYTES;
        uint8_t* to = out + static_cast<size_t>(row) * rowBytes;
        for (GLsizei column = 0; column < width; ++column, from += RGBA_BYTES, to += pixelBytes)
            std::memcpy(to, from, pixelBytes);
    }
}

void addVertex(GLfloat x, GLfloat y, GLfloat z) {
    const CurrentAttributes& current = state().current;
    PrimitiveVertex vertex;
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = z;
    std::memcpy(vertex.colour, current.colour, sizeof vertex.colour);
    std::memcpy(vertex.normal, current.normal, sizeof vertex.normal);
    std::memcpy(vertex.texCoord, current.texCoord, sizeof vertex.texCoord);
    backend().renderer.add(vertex);
}

}  // namespace

extern "C" {

// State switches and functions.

void glEnable(GLenum capability) { setSwitch(capability, true); }

void glDisable(GLenum capability) { setSwitch(capability, false); }

void glPushAttrib(GLbitfield mask) {
    assert(isListedPushedState(mask) && "a state bit gfx/gl_subset.h does not list");
    backend().attributes.push(mask, state());
}

void glPopAttrib() {
    if (backend().attributes.pop(state()) & GL_TEXTURE_BIT)
        bindUnitTextures();
}

// Smooth shading is all the backend draws.
void glShadeModel(GLenum) {}

void glHint(GLenum, GLenum) {}

void glDepthFunc(GLenum function) {
    if (running())
        es::DepthFunc(function);
}

void glDepthMask(GLboolean flag) {
    if (running())
        es::DepthMask(flag);
}

void glBlendFunc(GLenum source, GLenum destination) {
    assert(isListedBlendFunction(source, destination) && "a blend pair gfx/gl_subset.h does not list");
    if (running())
        es::BlendFunc(source, destination);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    const GLint box[4] = {x, y, width, height};
    std::copy(box, box + 4, state().scissor);
    if (running())
        es::Scissor(x, keptRowOf(y, height), width, height);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    const GLint box[4] = {x, y, width, height};
    std::copy(box, box + 4, state().viewport);
    if (running())
        es::Viewport(x, keptRowOf(y, height), width, height);
}

// Matrices: the model-view and the projection, one of each, no stacks.

void glMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION)
        state().matrixMode = mode;
}

void glLoadIdentity() { setIdentity(currentMatrix()); }

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { translate(currentMatrix(), x, y, z); }

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { rotate(currentMatrix(), angle, x, y, z); }

void glGetFloatv(GLenum name, GLfloat* values) {
    if (name == GL_MODELVIEW_MATRIX)
        std::copy(state().modelView, state().modelView + MATRIX_FLOATS, values);
    else if (name == GL_PROJECTION_MATRIX)
        std::copy(state().projection, state().projection + MATRIX_FLOATS, values);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    multiplyByPerspective(currentMatrix(), fovy, aspect, zNear, zFar);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
               GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    const double eye[3] = {eyeX, eyeY, eyeZ};
    const double centre[3] = {centreX, centreY, centreZ};
    const double up[3] = {upX, upY, upZ};
    multiplyByLookAt(currentMatrix(), eye, centre, up);
}

// Primitives.

void glBegin(GLenum mode) { backend().renderer.begin(mode, state()); }

void glEnd() { backend().renderer.end(); }

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { addVertex(x, y, z); }

void glVertex3fv(const GLfloat* v) { addVertex(v[0], v[1], v[2]); }

void glNormal3fv(const GLfloat* v) { std::copy(v, v + 3, state().current.normal); }

void glTexCoord2f(GLfloat s, GLfloat t) { setTexCoord(0, s, t); }

void glMultiTexCoord2fARB(GLenum target, GLfloat s, GLfloat t) { setTexCoord(unitOf(target), s, t); }

void glMultiTexCoord2fvARB(GLenum target, const GLfloat* v) { setTexCoord(unitOf(target), v[0], v[1]); }

void glColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
    setColour(byteToFloat(red), byteToFloat(green), byteToFloat(blue), 1.0f);
}

void glColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha) {
    setColour(byteToFloat(red), byteToFloat(green), byteToFloat(blue), byteToFloat(alpha));
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) { setColour(red, green, blue, alpha); }

// The light: light 0's position, placed by the model-view matrix now in
// force, and its colours.

void glLightfv(GLenum light, GLenum name, const GLfloat* values) {
    if (light != GL_LIGHT0)
        return;
    LightState& light0 = state().light;
    switch (name) {
    case GL_POSITION:
        transformPoint(state().modelView, values, light0.position);
        break;
    case GL_AMBIENT:
        std::copy(values, values + RGBA_FLOATS, light0.ambient);
        break;
    case GL_DIFFUSE:
        std::copy(values, values + RGBA_FLOATS, light0.diffuse);
        break;
    default:
        break;
    }
}

// Textures.

void glActiveTextureARB(GLenum texture) {
    const int unit = unitOf(texture);
    if (unit < 0)
        return;
    state().texture.activeUnit = unit;
    if (running())
        es::ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
}

// The backend draws from no client-side arrays, so no unit is chosen for them.
void glClientActiveTextureARB(GLenum) {}

void glGenTextures(GLsizei count, GLuint* names) {
    if (running())
        es::GenTextures(count, names);
}

// A unit bound to a deleted name falls back to name 0, as in OpenGL.
void glDeleteTextures(GLsizei count, const GLuint* names) {
    if (!running())
        return;
    es::DeleteTextures(count, names);
    for (TextureUnitState& unit : state().texture.units) {
        if (std::find(names, names + count, unit.binding) != names + count)
            unit.binding = 0;
    }
}

void glBindTexture(GLenum target, GLuint name) {
    if (target != GL_TEXTURE_2D)
        return;
    activeUnit().binding = name;
    if (running())
        es::BindTexture(GL_TEXTURE_2D, name);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    if (running() && target == GL_TEXTURE_2D)
        es::TexParameteri(target, name, value);
}

// RGBA images of unsigned bytes; the proxy only answers whether one fits.
void glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height, GLint border, GLenum format,
                  GLenum type, const GLvoid* pixels) {
    if (target == GL_PROXY_TEXTURE_2D) {
        testProxyImage(level, width, height, border);
        return;
    }
    if (running() && target == GL_TEXTURE_2D && format == GL_RGBA && type == GL_UNSIGNED_BYTE)
        es::TexImage2D(target, level, GL_RGBA8, width, height, border, format, type, pixels);
}

void glTexEnvf(GLenum target, GLenum name, GLfloat value) {
    if (target != GL_TEXTURE_ENV)
        return;
    const GLenum mode = static_cast<GLenum>(value);
    if (name == GL_TEXTURE_ENV_MODE) {
        activeUnit().envMode = mode;
    } else if (name == GL_COMBINE_RGB_EXT) {
        assert(mode == GL_SUBSET_TEXTURE_UNITS[state().texture.activeUnit].combineRgb &&
               "a combine function gfx/gl_subset.h does not list for the unit");
        activeUnit().combineRgb = mode;
    }
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* value) {
    if (target != GL_PROXY_TEXTURE_2D || level != 0)
        return;
    if (name == GL_TEXTURE_WIDTH)
        *value = state().proxyWidth;
    else if (name == GL_TEXTURE_HEIGHT)
        *value = state().proxyHeight;
}

void glGetIntegerv(GLenum name, GLint* values) {
    switch (name) {
    case GL_MAX_TEXTURE_SIZE:
        *values = backend().maxTextureSize;
        break;
    case GL_VIEWPORT:
        std::copy(state().viewport, state().viewport + 4, values);
        break;
    case GL_SCISSOR_BOX:
        std::copy(state().scissor, state().scissor + 4, values);
        break;
    default:
        assert(false && "a name glGetIntegerv does not answer");
        break;
    }
}

// The frame.

void glClear(GLbitfield mask) {
    if (running())
        es::Clear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    if (running())
        es::ClearColor(red, green, blue, alpha);
}

// OpenGL clamps the clear depth into [0, 1]; the show asks for 10.
void glClearDepth(GLclampd depth) {
    if (running())
        es::ClearDepthf(static_cast<float>(std::clamp(depth, 0.0, 1.0)));
}

void glClearStencil(GLint value) {
    if (running())
        es::ClearStencil(value);
}

void glFinish() {
    if (running())
        es::Finish();
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    if (!running() || type != GL_UNSIGNED_BYTE || width < 0 || height < 0)
        return;
    if (format == GL_RGB || format == GL_RGBA)
        readPixelRows(x, y, width, height, format, static_cast<uint8_t*>(pixels));
}

const GLubyte* glGetString(GLenum name) {
    const char* text = nullptr;
    switch (name) {
    case GL_EXTENSIONS:
        text = EXTENSIONS;
        break;
    case GL_VENDOR:
        text = VENDOR;
        break;
    case GL_RENDERER:
        text = RENDERER;
        break;
    case GL_VERSION:
        text = VERSION;
        break;
    default:
        break;
    }
    return reinterpret_cast<const GLubyte*>(text);
}

}  // extern "C"

// The backend's definition of each of GL_SUBSET_LOOKUPS, in the list's
// order; the names are the list's own.
void* const LOOKUP_ADDRESSES[] = {
    reinterpret_cast<void*>(&glActiveTextureARB),
    reinterpret_cast<void*>(&glMultiTexCoord2fARB),
    reinterpret_cast<void*>(&glClientActiveTextureARB),
    reinterpret_cast<void*>(&glMultiTexCoord2fvARB),
};
static_assert(std::size(LOOKUP_ADDRESSES) == std::size(GL_SUBSET_LOOKUPS),
              "one definition for each entry point gfx/gl_subset.h lists for lookup");

void* glProcAddress(const char* name) {
    for (size_t i = 0; i < std::size(GL_SUBSET_LOOKUPS); ++i) {
        if (std::strcmp(GL_SUBSET_LOOKUPS[i], name) == 0)
            return LOOKUP_ADDRESSES[i];
    }
    return nullptr;
}
