// The fixed-function state the backend keeps on its side of ES: what the
// shaders cannot hold (current vertex attributes, matrices, the light, each
// texture unit's switch and environment) and the attribute stack of
// glPushAttrib. Plain data; nothing here calls ES.
#pragma once

#include <iterator>

#include "gfx/es/float_matrix.h"
#include "gfx/gl_subset.h"

constexpr int TEXTURE_UNIT_COUNT = static_cast<int>(std::size(GL_SUBSET_TEXTURE_UNITS));
constexpr int RGBA_FLOATS = 4;

// What glColor, glNormal and glTexCoord set and every vertex takes.
struct CurrentAttributes {
    float colour[RGBA_FLOATS];
    float normal[3];
    float texCoord[TEXTURE_UNIT_COUNT][2];
};

// GL_LIGHTING, GL_LIGHT0 and light 0's colours; the position is in eye
// space, placed by the model-view matrix of its glLightfv. No specular
// colour: the default material reflects none.
struct LightState {
    bool lighting;
    bool light0;
    float position[4];
    float ambient[RGBA_FLOATS];
    float diffuse[RGBA_FLOATS];
};

struct TextureUnitState {
    bool enabled;  // GL_TEXTURE_2D
    GLuint binding;
    GLenum envMode;     // GL_MODULATE or GL_COMBINE_EXT
    GLenum combineRgb;  // GL_MODULATE or GL_REPLACE, under GL_COMBINE_EXT
};

struct TextureState {
    TextureUnitState units[TEXTURE_UNIT_COUNT];
    int activeUnit;
};

struct FixedState {
    CurrentAttributes current;
    LightState light;
    TextureState texture;
    float modelView[MATRIX_FLOATS];
    float projection[MATRIX_FLOATS];
    GLenum matrixMode;
    GLint viewport[4];
    GLint scissor[4];
    GLint proxyWidth;  // the last GL_PROXY_TEXTURE_2D image: 0 when it would not fit
    GLint proxyHeight;
};

// OpenGL 1.1's initial state, with the viewport and scissor box of a
// drawing buffer of that size.
FixedState initialFixedState(GLint width, GLint height);

// The material is OpenGL's default throughout; what lighting needs of it,
// combined with the light as the driver combines them.
struct LightProducts {
    float sceneColour[RGBA_FLOATS];  // emission + model ambient x material ambient
    float ambient[RGBA_FLOATS];      // light ambient x material ambient
    float diffuse[RGBA_FLOATS];      // light diffuse x material diffuse
    float alpha;                     // the material's diffuse alpha
};
LightProducts lightProducts(const LightState& light);

// glPushAttrib and glPopAttrib for GL_CURRENT_BIT, GL_LIGHTING_BIT and
// GL_TEXTURE_BIT. A push past the depth and a pop of an empty stack change
// nothing, as OpenGL's stack errors do.
class AttributeStack {
public:
    void push(GLbitfield mask, const FixedState& state);
    // Restores the groups of the latest push and answers its mask (0 for none).
    GLbitfield pop(FixedState& state);
    void clear() { depth_ = 0; }

private:
    static constexpr int DEPTH = 16;  // OpenGL's least attribute stack depth

    struct Saved {
        GLbitfield mask;
        CurrentAttributes current;
        LightState light;
        TextureState texture;
    };
    Saved saved_[DEPTH] = {};
    int depth_ = 0;
};
