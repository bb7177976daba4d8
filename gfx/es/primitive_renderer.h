// Draws what glBegin and glEnd enclose through ES: the vertices gather in a
// buffer made once at start, quads turned into triangles, and glEnd draws
// them in one call with the fixed state given to begin(), through one
// program whose uniforms stand for the fixed pipeline's switches.
#pragma once

#include <memory>
#include <string>

#include "gfx/es/fixed_state.h"

// The vertices one draw call takes. The largest glBegin of the show is the
// sphere's ~21000 vertices; a larger one is drawn in several calls, each of
// whole triangles.
constexpr int PRIMITIVE_VERTEX_CAPACITY = 6 * 8192;

struct PrimitiveVertex {
    float position[3];
    float colour[RGBA_FLOATS];
    float normal[3];
    float texCoord[TEXTURE_UNIT_COUNT][2];
};

class PrimitiveRenderer {
public:
    PrimitiveRenderer();
    ~PrimitiveRenderer();
    PrimitiveRenderer(const PrimitiveRenderer&) = delete;
    PrimitiveRenderer& operator=(const PrimitiveRenderer&) = delete;

    // Compiles the program and makes the buffers in the current context;
    // false, with the reason, when the context refuses.
    bool start(std::string& error);
    // Gives back what start() made; the context must still be current.
    void stop();

    // mode: GL_TRIANGLES or GL_QUADS (any other draws nothing). The state
    // must stay as it is until end().
    void begin(GLenum mode, const FixedState& state);
    void add(const PrimitiveVertex& vertex);
    void end();
    bool inside() const { return state_ != nullptr; }

private:
    void flush();
    void setUniforms(const FixedState& state);

    struct EsObjects;
    std::unique_ptr<EsObjects> es_;
    std::unique_ptr<PrimitiveVertex[]> vertices_;  // triangles, as they will be drawn
    int count_ = 0;
    PrimitiveVertex quad_[3] = {};  // a quad's first corners until its fourth comes
    int quadCorners_ = 0;
    GLenum mode_ = 0;
    const FixedState* state_ = nullptr;
};
