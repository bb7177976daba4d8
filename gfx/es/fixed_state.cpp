#include "gfx/es/fixed_state.h"

#include <GL/glext.h>

#include <algorithm>
#include <cstddef>

namespace {

// OpenGL's default material and light model.
constexpr float MATERIAL_AMBIENT[RGBA_FLOATS] = {0.2f, 0.2f, 0.2f, 1.0f};
constexpr float MATERIAL_DIFFUSE[RGBA_FLOATS] = {0.8f, 0.8f, 0.8f, 1.0f};
constexpr float MATERIAL_EMISSION[RGBA_FLOATS] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr float MODEL_AMBIENT[RGBA_FLOATS] = {0.2f, 0.2f, 0.2f, 1.0f};

// Light 0 starts directional along +z, white, without ambient.
constexpr float LIGHT0_POSITION[4] = {0.0f, 0.0f, 1.0f, 0.0f};
constexpr float LIGHT0_AMBIENT[RGBA_FLOATS] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr float LIGHT0_DIFFUSE[RGBA_FLOATS] = {1.0f, 1.0f, 1.0f, 1.0f};

// The current colour white, the normal +z, texture coordinates 0.
constexpr float CURRENT_COLOUR[RGBA_FLOATS] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float CURRENT_NORMAL[3] = {0.0f, 0.0f, 1.0f};

template <typename Value, std::size_t N>
void copyInto(Value (&to)[N], const Value (&from)[N]) {
    std::copy(from, from + N, to);
}

}  // namespace

FixedState initialFixedState(GLint width, GLint height) {
    FixedState state{};  // every switch off, every name and coordinate 0
    copyInto(state.current.colour, CURRENT_COLOUR);
    copyInto(state.current.normal, CURRENT_NORMAL);
    copyInto(state.light.position, LIGHT0_POSITION);
    copyInto(state.light.ambient, LIGHT0_AMBIENT);
    copyInto(state.light.diffuse, LIGHT0_DIFFUSE);
    for (TextureUnitState& unit : state.texture.units) {
        unit.envMode = GL_MODULATE;
        unit.combineRgb = GL_MODULATE;
    }
    setIdentity(state.modelView);
    setIdentity(state.projection);
    state.matrixMode = GL_MODELVIEW;
    const GLint box[4] = {0, 0, width, height};
    for (int i = 0; i < 4; ++i)
        state.viewport[i] = state.scissor[i] = box[i];
    return state;
}

LightProducts lightProducts(const LightState& light) {
    LightProducts products{};
    for (int i = 0; i < RGBA_FLOATS; ++i) {
        products.sceneColour[i] = MODEL_AMBIENT[i] * MATERIAL_AMBIENT[i] + MATERIAL_EMISSION[i];
        products.ambient[i] = light.ambient[i] * MATERIAL_AMBIENT[i];
        products.diffuse[i] = light.diffuse[i] * MATERIAL_DIFFUSE[i];
    }
    products.alpha = MATERIAL_DIFFUSE[3];
    return products;
}

void AttributeStack::push(GLbitfield mask, const FixedState& state) {
    if (depth_ == DEPTH)
        return;
    saved_[depth_++] = Saved{mask, state.current, state.light, state.texture};
}

GLbitfield AttributeStack::pop(FixedState& state) {
    if (depth_ == 0)
        return 0;
    const Saved& saved = saved_[--depth_];
    if (saved.mask & GL_CURRENT_BIT)
        state.current = saved.current;
    if (saved.mask & GL_LIGHTING_BIT)
        state.light = saved.light;
    if (saved.mask & GL_TEXTURE_BIT)
        state.texture = saved.texture;
    return saved.mask;
}
