#include "gfx/es/primitive_renderer.h"

#include <GL/glext.h>

#include <cstddef>
#include <string>

#include "gfx/es/es_calls.h"

namespace {

constexpr int TRIANGLE_CORNERS = 3;
constexpr int QUAD_CORNERS = 4;
// A quad (v0 v1 v2 v3) is drawn as the triangles (v0 v1 v2) and (v0 v2 v3).
constexpr int QUAD_TRIANGLES[2][TRIANGLE_CORNERS] = {{0, 1, 2}, {0, 2, 3}};

// What each texture unit does to the colour coming in.
enum UnitOperation : int { UNIT_OFF, UNIT_MODULATE, UNIT_REPLACE_RGB };

struct Attribute {
    es::Uint location;
    const char* name;
    es::Int floats;
    std::size_t offset;
};
constexpr Attribute ATTRIBUTES[] = {
    {0, "a_position", 3, offsetof(PrimitiveVertex, position)},
    {1, "a_colour", RGBA_FLOATS, offsetof(PrimitiveVertex, colour)},
    {2, "a_normal", 3, offsetof(PrimitiveVertex, normal)},
    {3, "a_texCoord0", 2, offsetof(PrimitiveVertex, texCoord[0])},
    {4, "a_texCoord1", 2, offsetof(PrimitiveVertex, texCoord[1])},
};

// Every program's position comes from the same expression, declared
// invariant: a pass drawn with GL_EQUAL over an earlier one with other
// switches must land on the very same depths. Lighting follows the fixed
// pipeline step for step: scene colour, plus the light's ambient, plus its
// diffuse times the clamped cosine; normals as given, not renormalised.
constexpr const char* VERTEX_SHADER = R"(#version 300 es
invariant gl_Position;
uniform mat4 u_mvp;
uniform mat4 u_modelView;
uniform mat3 u_normalMatrix;
uniform bool u_lighting;
uniform bool u_light0;
uniform vec4 u_lightPosition;
uniform vec4 u_sceneColour;
uniform vec4 u_ambientProduct;
uniform vec4 u_diffuseProduct;
uniform float u_materialAlpha;
in vec3 a_position;
in vec4 a_colour;
in vec3 a_normal;
in vec2 a_texCoord0;
in vec2 a_texCoord1;
out vec4 v_colour;
out vec2 v_texCoord0;
out vec2 v_texCoord1;
void main() {
    vec4 position = vec4(a_position, 1.0);
    gl_Position = u_mvp * position;
    v_texCoord0 = a_texCoord0;
    v_texCoord1 = a_texCoord1;
    if (!u_lighting) {
        v_colour = clamp(a_colour, 0.0, 1.0);
        return;
    }
    vec3 colour = u_sceneColour.rgb;
    if (u_light0) {
        vec4 eye = u_modelView * position;
        vec3 toLight = u_lightPosition.xyz - eye.xyz;
        toLight = toLight * inversesqrt(dot(toLight, toLight));
        vec3 normal = u_normalMatrix * a_normal;
        colour = u_ambientProduct.rgb + colour;
        colour = max(dot(normal, toLight), 0.0) * u_diffuseProduct.rgb + colour;
    }
    v_colour = clamp(vec4(colour, u_materialAlpha), 0.0, 1.0);
}
)";

// GL_MODULATE multiplies texel and colour; GL_COMBINE_EXT with RGB
// GL_REPLACE takes the texel's colour and, with the alpha function at its
// default GL_MODULATE, still multiplies the alphas.
constexpr const char* FRAGMENT_SHADER_BODY = R"(
precision highp float;
uniform sampler2D u_texture0;
uniform sampler2D u_texture1;
uniform int u_unit0;
uniform int u_unit1;
in vec4 v_colour;
in vec2 v_texCoord0;
in vec2 v_texCoord1;
out vec4 o_colour;
vec4 applyUnit(int operation, vec4 texel, vec4 previous) {
    if (operation == UNIT_REPLACE_RGB)
        return vec4(texel.rgb, texel.a * previous.a);
    return texel * previous;
}
void main() {
    vec4 colour = v_colour;
    if (u_unit0 != UNIT_OFF)
        colour = applyUnit(u_unit0, texture(u_texture0, v_texCoord0), colour);
    if (u_unit1 != UNIT_OFF)
        colour = applyUnit(u_unit1, texture(u_texture1, v_texCoord1), colour);
    o_colour = colour;
}
)";

std::string fragmentShaderSource() {
    return "#version 300 es\n#define UNIT_OFF " + std::to_string(UNIT_OFF) + "\n#define UNIT_MODULATE " +
           std::to_string(UNIT_MODULATE) + "\n#define UNIT_REPLACE_RGB " + std::to_string(UNIT_REPLACE_RGB) + "\n" + FRAGMENT_SHADER_BODY;
}

int unitOperation(const TextureUnitState& unit) {
    if (!unit.enabled)
        return UNIT_OFF;
    return unit.envMode == GL_COMBINE_EXT && unit.combineRgb == GL_REPLACE ? UNIT_REPLACE_RGB : UNIT_MODULATE;
}

// The uniforms setUniforms() sets each draw, by name, in the order start()
// looks them up.
enum Uniform : int {
    UNIFORM_MVP,
    UNIFORM_MODEL_VIEW,
    UNIFORM_NORMAL_MATRIX,
    UNIFORM_LIGHTING,
    UNIFORM_LIGHT0,
    UNIFORM_LIGHT_POSITION,
    UNIFORM_SCENE_COLOUR,
    UNIFORM_AMBIENT_PRODUCT,
    UNIFORM_DIFFUSE_PRODUCT,
    UNIFORM_MATERIAL_ALPHA,
    UNIFORM_UNIT0,
    UNIFORM_UNIT1,
    UNIFORM_COUNT
};
static_assert(UNIFORM_UNIT1 - UNIFORM_UNIT0 + 1 == TEXTURE_UNIT_COUNT, "one operation uniform per unit");

struct UniformName {
    Uniform uniform;
    const char* name;
};
constexpr UniformName UNIFORM_NAMES[UNIFORM_COUNT] = {
    {UNIFORM_MVP, "u_mvp"},
    {UNIFORM_MODEL_VIEW, "u_modelView"},
    {UNIFORM_NORMAL_MATRIX, "u_normalMatrix"},
    {UNIFORM_LIGHTING, "u_lighting"},
    {UNIFORM_LIGHT0, "u_light0"},
    {UNIFORM_LIGHT_POSITION, "u_lightPosition"},
    {UNIFORM_SCENE_COLOUR, "u_sceneColour"},
    {UNIFORM_AMBIENT_PRODUCT, "u_ambientProduct"},
    {UNIFORM_DIFFUSE_PRODUCT, "u_diffuseProduct"},
    {UNIFORM_MATERIAL_ALPHA, "u_materialAlpha"},
    {UNIFORM_UNIT0, "u_unit0"},
    {UNIFORM_UNIT1, "u_unit1"},
};

// Each unit's sampler reads the ES texture unit of the same number; set once.
struct SamplerUnit {
    const char* name;
    es::Int unit;
};
constexpr SamplerUnit SAMPLERS[TEXTURE_UNIT_COUNT] = {
    {"u_texture0", 0},
    {"u_texture1", 1},
};

constexpr int LOG_CHARS = 1024;

// How a shader or a program reports on itself.
struct StatusCalls {
    es::Enum status;  // GL_COMPILE_STATUS or GL_LINK_STATUS
    void (*get)(es::Uint, es::Enum, es::Int*);
    void (*getLog)(es::Uint, es::Sizei, es::Sizei*, es::Char*);
};
constexpr StatusCalls SHADER_STATUS = {GL_COMPILE_STATUS, es::GetShaderiv, es::GetShaderInfoLog};
constexpr StatusCalls PROGRAM_STATUS = {GL_LINK_STATUS, es::GetProgramiv, es::GetProgramInfoLog};

// Whether the object compiled or linked; when not, error is what failed
// followed by the log.
bool succeeded(es::Uint object, const StatusCalls& calls, const std::string& what, std::string& error) {
    es::Int status = 0;
    calls.get(object, calls.status, &status);
    if (status)
        return true;
    char log[LOG_CHARS] = "";
    calls.getLog(object, sizeof log, nullptr, log);
    error = what + log;
    return false;
}

// Compiles one stage; 0 and the compiler's log when it fails.
es::Uint compileShader(es::Enum type, const char* source, std::string& error) {
    const es::Uint shader = es::CreateShader(type);
    es::ShaderSource(shader, 1, &source, nullptr);
    es::CompileShader(shader);
    if (succeeded(shader, SHADER_STATUS, type == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ", error))
        return shader;
    es::DeleteShader(shader);
    return 0;
}

// The program from both stages, its attributes bound to ATTRIBUTES'
// locations; 0 and the reason when a stage or the link fails.
es::Uint linkProgram(std::string& error) {
    const es::Uint vertexShader = compileShader(GL_VERTEX_SHADER, VERTEX_SHADER, error);
    const std::string fragmentSource = fragmentShaderSource();
    const es::Uint fragmentShader =
        vertexShader == 0 ? 0 : compileShader(GL_FRAGMENT_SHADER, fragmentSource.c_str(), error);
    if (fragmentShader == 0) {
        es::DeleteShader(vertexShader);
        return 0;
    }
    const es::Uint program = es::CreateProgram();
    es::AttachShader(program, vertexShader);
    es::AttachShader(program, fragmentShader);
    for (const Attribute& attribute : ATTRIBUTES)
        es::BindAttribLocation(program, attribute.location, attribute.name);
    es::LinkProgram(program);
    // The program keeps the stages it was linked from.
    es::DeleteShader(vertexShader);
    es::DeleteShader(fragmentShader);
    if (succeeded(program, PROGRAM_STATUS, "linking the shaders: ", error))
        return program;
    es::DeleteProgram(program);
    return 0;
}

// Looks up the uniforms and makes the program current, its samplers set.
void locateUniforms(es::Uint program, es::Int (&uniforms)[UNIFORM_COUNT]) {
    for (const UniformName& entry : UNIFORM_NAMES)
        uniforms[entry.uniform] = es::GetUniformLocation(program, entry.name);
    es::UseProgram(program);
    for (const SamplerUnit& sampler : SAMPLERS)
        es::Uniform1i(es::GetUniformLocation(program, sampler.name), sampler.unit);
}

// The vertex buffer of PRIMITIVE_VERTEX_CAPACITY vertices, laid out for
// ATTRIBUTES, in a vertex array of its own.
void makeVertexBuffer(es::Uint& vertexArray, es::Uint& buffer) {
    es::GenVertexArrays(1, &vertexArray);
    es::BindVertexArray(vertexArray);
    es::GenBuffers(1, &buffer);
    es::BindBuffer(GL_ARRAY_BUFFER, buffer);
    es::BufferData(GL_ARRAY_BUFFER,
                   static_cast<es::Sizeiptr>(sizeof(PrimitiveVertex)) * PRIMITIVE_VERTEX_CAPACITY, nullptr,
                   GL_DYNAMIC_DRAW);
    for (const Attribute& attribute : ATTRIBUTES) {
        es::EnableVertexAttribArray(attribute.location);
        es::VertexAttribPointer(attribute.location, attribute.floats, GL_FLOAT, GL_FALSE,
                                static_cast<es::Sizei>(sizeof(PrimitiveVertex)),
                                reinterpret_cast<const void*>(attribute.offset));
    }
}

}  // namespace

struct PrimitiveRenderer::EsObjects {
    es::Uint program = 0;
    es::Uint buffer = 0;
    es::Uint vertexArray = 0;
    es::Int uniforms[UNIFORM_COUNT] = {};  // locations, by Uniform
};

PrimitiveRenderer::PrimitiveRenderer() : vertices_(new PrimitiveVertex[PRIMITIVE_VERTEX_CAPACITY]) {}

PrimitiveRenderer::~PrimitiveRenderer() = default;

bool PrimitiveRenderer::start(std::string& error) {
    EsObjects objects;
    objects.program = linkProgram(error);
    if (objects.program == 0)
        return false;
    locateUniforms(objects.program, objects.uniforms);
    makeVertexBuffer(objects.vertexArray, objects.buffer);
    es_.reset(new EsObjects(objects));
    return true;
}

void PrimitiveRenderer::stop() {
    if (es_ == nullptr)
        return;
    es::BindVertexArray(0);
    es::DeleteVertexArrays(1, &es_->vertexArray);
    es::DeleteBuffers(1, &es_->buffer);
    es::UseProgram(0);
    es::DeleteProgram(es_->program);
    es_.reset();
    state_ = nullptr;
}

void PrimitiveRenderer::begin(GLenum mode, const FixedState& state) {
    mode_ = mode;
    state_ = &state;
    count_ = 0;
    quadCorners_ = 0;
}

void PrimitiveRenderer::add(const PrimitiveVertex& vertex) {
    if (state_ == nullptr)
        return;
    if (mode_ == GL_TRIANGLES) {
        if (count_ == PRIMITIVE_VERTEX_CAPACITY)
            flush();
        vertices_[count_++] = vertex;
        return;
    }
    if (mode_ != GL_QUADS)
        return;
    if (quadCorners_ < QUAD_CORNERS - 1) {
        quad_[quadCorners_++] = vertex;
        return;
    }
    quadCorners_ = 0;
    if (count_ + 2 * TRIANGLE_CORNERS > PRIMITIVE_VERTEX_CAPACITY)
        flush();
    for (const auto& triangle : QUAD_TRIANGLES)
        for (int corner : triangle)
            vertices_[count_++] = corner < QUAD_CORNERS - 1 ? quad_[corner] : vertex;
}

void PrimitiveRenderer::end() {
    if (state_ != nullptr)
        flush();
    state_ = nullptr;
}

// Whole triangles only: a glEnd after an incomplete one leaves it out.
void PrimitiveRenderer::flush() {
    const int drawn = count_ - count_ % TRIANGLE_CORNERS;
    count_ = 0;
    if (drawn == 0 || es_ == nullptr)
        return;
    es::UseProgram(es_->program);
    es::BindVertexArray(es_->vertexArray);
    es::BindBuffer(GL_ARRAY_BUFFER, es_->buffer);
    es::BufferSubData(GL_ARRAY_BUFFER, 0, static_cast<es::Sizeiptr>(sizeof(PrimitiveVertex)) * drawn,
                      vertices_.get());
    setUniforms(*state_);
    es::DrawArrays(GL_TRIANGLES, 0, drawn);
}

void PrimitiveRenderer::setUniforms(const FixedState& state) {
    const es::Int* const uniform = es_->uniforms;
    float mvp[MATRIX_FLOATS];
    multiply(state.projection, state.modelView, mvp);
    // The frame is kept top row first, as the desktop keeps a window's
    // (webgl_backend.h): clip-space y changes sign, which is exact.
    for (int column = 0; column < 4; ++column)
        mvp[column * 4 + 1] = -mvp[column * 4 + 1];
    es::UniformMatrix4fv(uniform[UNIFORM_MVP], 1, GL_FALSE, mvp);
    for (int unit = 0; unit < TEXTURE_UNIT_COUNT; ++unit)
        es::Uniform1i(uniform[UNIFORM_UNIT0 + unit], unitOperation(state.texture.units[unit]));
    const LightState& light = state.light;
    es::Uniform1i(uniform[UNIFORM_LIGHTING], light.lighting);
    if (!light.lighting)
        return;
    float normals[9];
    normalMatrix(state.modelView, normals);
    const LightProducts products = lightProducts(light);
    es::UniformMatrix4fv(uniform[UNIFORM_MODEL_VIEW], 1, GL_FALSE, state.modelView);
    es::UniformMatrix3fv(uniform[UNIFORM_NORMAL_MATRIX], 1, GL_FALSE, normals);
    es::Uniform1i(uniform[UNIFORM_LIGHT0], light.light0);
    es::Uniform4fv(uniform[UNIFORM_LIGHT_POSITION], 1, light.position);
    es::Uniform4fv(uniform[UNIFORM_SCENE_COLOUR], 1, products.sceneColour);
    es::Uniform4fv(uniform[UNIFORM_AMBIENT_PRODUCT], 1, products.ambient);
    es::Uniform4fv(uniform[UNIFORM_DIFFUSE_PRODUCT], 1, products.diffuse);
    es::Uniform1f(uniform[UNIFORM_MATERIAL_ALPHA], products.alpha);
}
