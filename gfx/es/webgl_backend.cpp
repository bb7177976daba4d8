#include "gfx/es/webgl_backend.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "gfx/es/backend_state.h"
#include "gfx/es/es_calls.h"

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
    es::Viewport(state.viewport[0], keptRowOf(state.viewport[1], state.viewport[3]), state.viewport[2],
                 state.viewport[3]);
    es::Scissor(state.scissor[0], keptRowOf(state.scissor[1], state.scissor[3]), state.scissor[2],
                state.scissor[3]);
    for (int unit = TEXTURE_UNIT_COUNT - 1; unit >= 0; --unit) {
        es::ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        es::BindTexture(GL_TEXTURE_2D, 0);
    }
}

// The frame's own colour and depth buffers, the size of the drawing buffer:
// RGBA bytes, as the desktop's 32-bit colour blends, and 16 depth bits, as
// its pixel format has. Drawing into them, rather than into the drawing
// buffer the browser composites, lets the frame be kept as the desktop keeps
// a window's: top row first (see presentWebGlFrame()).
bool makeFrameBuffers(Backend& b, GLsizei width, GLsizei height) {
    es::GenRenderbuffers(1, &b.colourBuffer);
    es::BindRenderbuffer(GL_RENDERBUFFER, b.colourBuffer);
    es::RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    es::GenRenderbuffers(1, &b.depthBuffer);
    es::BindRenderbuffer(GL_RENDERBUFFER, b.depthBuffer);
    es::RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    es::GenFramebuffers(1, &b.frameBuffer);
    es::BindFramebuffer(GL_FRAMEBUFFER, b.frameBuffer);
    es::FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, b.colourBuffer);
    es::FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, b.depthBuffer);
    b.frameWidth = width;
    b.frameHeight = height;
    if (es::CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    b.error = "the OpenGL ES context cannot draw into a frame of its own";
    return false;
}

void deleteFrameBuffers(Backend& b) {
    es::BindFramebuffer(GL_FRAMEBUFFER, 0);
    es::DeleteFramebuffers(1, &b.frameBuffer);
    es::DeleteRenderbuffers(1, &b.colourBuffer);
    es::DeleteRenderbuffers(1, &b.depthBuffer);
    b.frameBuffer = b.colourBuffer = b.depthBuffer = 0;
}

}  // namespace

Backend& backend() {
    static Backend instance;
    return instance;
}

GLint keptRowOf(GLint y, GLsizei height) { return backend().frameHeight - y - height; }

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
    if (!makeFrameBuffers(b, drawingBuffer[2], drawingBuffer[3])) {
        deleteFrameBuffers(b);
        return false;
    }
    if (!b.renderer.start(b.error)) {
        deleteFrameBuffers(b);
        return false;
    }
    b.state = initialFixedState(drawingBuffer[2], drawingBuffer[3]);
    b.attributes.clear();
    b.scissorTest = false;
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
    deleteFrameBuffers(b);
    b.running = false;
}

void presentWebGlFrame() {
    Backend& b = backend();
    if (!b.running)
        return;
    // The scissor box would cut the copy.
    if (b.scissorTest)
        es::Disable(GL_SCISSOR_TEST);
    es::BindFramebuffer(GL_READ_FRAMEBUFFER, b.frameBuffer);
    es::BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    es::BlitFramebuffer(0, 0, b.frameWidth, b.frameHeight, 0, b.frameHeight, b.frameWidth, 0,
                        GL_COLOR_BUFFER_BIT, GL_NEAREST);
    es::BindFramebuffer(GL_FRAMEBUFFER, b.frameBuffer);
    if (b.scissorTest)
        es::Enable(GL_SCISSOR_TEST);
}

const char* lastWebGlBackendError() { return backend().error.c_str(); }
