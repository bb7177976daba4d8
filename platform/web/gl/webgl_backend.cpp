#include "platform/web/gl/webgl_backend.h"

#include <GL/gl.h>

#include "platform/web/gl/backend_state.h"
#include "platform/web/gl/es_calls.h"

namespace {

constexpr int RGBA_BYTES = 4;

// What the backend passes on to ES, back at OpenGL 1.1's initial values: a
// context used before (a second run of the show) may hold anything.
void resetEsState(const FixedState& state) {
    for (GLenum capability : {GL_BLEND, GL_DEPTH_TEST, GL_SCISSOR_TEST})
        es::Disable(capability);
    es::BlendFunc(GL_ONE, GL_ZERO);
    es::DepthFunc(GL_LESS);
    es::DepthMask(GL_TRUE);
    es::ClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    es::ClearDepthf(1.0f);
    es::ClearStencil(0);
    es::Viewport(state.viewport[0], state.viewport[1], state.viewport[2], state.viewport[3]);
    es::Scissor(state.scissor[0], state.scissor[1], state.scissor[2], state.scissor[3]);
    for (int unit = TEXTURE_UNIT_COUNT - 1; unit >= 0; --unit) {
        es::ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        es::BindTexture(GL_TEXTURE_2D, 0);
    }
}

}  // namespace

Backend& backend() {
    static Backend instance;
    return instance;
}

bool startWebGlBackend() {
    Backend& b = backend();
    if (b.running)
        stopWebGlBackend();
    b.error.clear();
    const char* missing = "";
    if (!es::bindCalls(missing)) {
        b.error = std::string("the OpenGL ES context lacks ") + missing;
        return false;
    }
    GLint drawingBuffer[4] = {};
    es::GetIntegerv(GL_VIEWPORT, drawingBuffer);
    es::GetIntegerv(GL_MAX_TEXTURE_SIZE, &b.maxTextureSize);
    if (!b.renderer.start(b.error))
        return false;
    b.state = initialFixedState(drawingBuffer[2], drawingBuffer[3]);
    b.attributes.clear();
    b.readBack.resize(static_cast<size_t>(drawingBuffer[2]) * static_cast<size_t>(drawingBuffer[3]) * RGBA_BYTES);
    resetEsState(b.state);
    b.running = true;
    return true;
}

void stopWebGlBackend() {
    Backend& b = backend();
    if (!b.running)
        return;
    b.renderer.stop();
    b.running = false;
}

const char* lastWebGlBackendError() { return backend().error.c_str(); }
