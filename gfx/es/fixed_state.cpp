#include "gfx/es/fixed_state.h"

#include <GL/glext.h>

namespace {

// OpenGL's default material and light model.
constexpr float MATERIAL_AMBIENT[RGBA_FLOATS] = {0.2f, 0.2f, 0.2f, 1.0f};
constexpr float MATERIAL_DIFFUSE[RGBA_FLOATS] = {0.8f, 0.8f, 0.8f, 1.0f};
constexpr float MATERIAL_EMISSION[RGBA_FLOATS] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr float MODEL_AMBIENT[RGBA_FLOATS] = {0.2f, 0.2f, 0.2f, 1.0f};

}  // namespace

FixedState initialFixedState(GLint width, GLint height) {
    FixedState state{};
    state.current = CurrentAttributes{{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, {}};
    // Light 0 starts directional along +z, white, without ambient.
    state.light =
        LightState{false, false, {0.0f, 0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}};
    for (TextureUnitState& unit : state.texture.units)
        unit = TextureUnitState{false, 0, GL_MODULATE, GL_MODULATE};
    state.texture.activeUnit = 0;
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
