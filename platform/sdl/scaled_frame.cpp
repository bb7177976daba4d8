#include "platform/sdl/scaled_frame.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

#include "gfx/gl_subset.h"

namespace {

// Core since OpenGL 3.0 and in ARB_framebuffer_object; looked up once a
// context is current.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
};

FramebufferCalls gl = {};

constexpr int CORE_FRAMEBUFFER_MAJOR = 3;
// Clip control: core since OpenGL 4.5, or ARB_clip_control.
constexpr int CORE_CLIP_CONTROL_MAJOR = 4;
constexpr int CORE_CLIP_CONTROL_MINOR = 5;

bool driverHasFramebuffers() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const bool core = version != nullptr && version[0] >= '0' + CORE_FRAMEBUFFER_MAJOR && version[0] <= '9';
    const bool extension = extensions != nullptr && std::strstr(extensions, "GL_ARB_framebuffer_object") != nullptr;
    return core || extension;
}

bool driverHasClipControl() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    int major = 0, minor = 0;
    const bool core = version != nullptr && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
                      (major > CORE_CLIP_CONTROL_MAJOR ||
                       (major == CORE_CLIP_CONTROL_MAJOR && minor >= CORE_CLIP_CONTROL_MINOR));
    return core || (extensions != nullptr && std::strstr(extensions, "GL_ARB_clip_control") != nullptr);
}

template <typename Call>
bool lookUp(Call& call, const char* name) {
    call = reinterpret_cast<Call>(glProcAddress(name));
    return call != nullptr;
}

bool loadFramebufferCalls() {
    return driverHasFramebuffers() && lookUp(gl.genFramebuffers, "glGenFramebuffers") &&
           lookUp(gl.deleteFramebuffers, "glDeleteFramebuffers") && lookUp(gl.bindFramebuffer, "glBindFramebuffer") &&
           lookUp(gl.genRenderbuffers, "glGenRenderbuffers") &&
           lookUp(gl.deleteRenderbuffers, "glDeleteRenderbuffers") &&
           lookUp(gl.bindRenderbuffer, "glBindRenderbuffer") &&
           lookUp(gl.renderbufferStorage, "glRenderbufferStorage") &&
           lookUp(gl.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           lookUp(gl.checkFramebufferStatus, "glCheckFramebufferStatus") &&
           lookUp(gl.blitFramebuffer, "glBlitFramebuffer");
}

GLenum depthFormat(int depthBits) {
    if (depthBits > 24)
        return GL_DEPTH_COMPONENT32;
    return depthBits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16;
}

}  // namespace

FrameRect fitFrame(int frameWidth, int frameHeight, int drawableWidth, int drawableHeight) {
    FrameRect rect = {0, 0, drawableWidth, drawableHeight};
    // Compare the shapes in integers: wider than the frame means bars left and right.
    const int64_t wide = int64_t{drawableWidth} * frameHeight;
    const int64_t tall = int64_t{drawableHeight} * frameWidth;
    if (wide > tall)
        rect.width = static_cast<int>(tall / frameHeight);
    else if (tall > wide)
        rect.height = static_cast<int>(wide / frameWidth);
    rect.x = (drawableWidth - rect.width) / 2;
    rect.y = (drawableHeight - rect.height) / 2;
    return rect;
}

bool ScaledFrame::create(int width, int height, int depthBits) {
    if (!loadFramebufferCalls())
        return false;
    width_ = width;
    height_ = height;
    gl.genRenderbuffers(1, &colour_);
    gl.bindRenderbuffer(GL_RENDERBUFFER, colour_);
    // The window's format: 8-bit channels and no alpha.
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    gl.genRenderbuffers(1, &depth_);
    gl.bindRenderbuffer(GL_RENDERBUFFER, depth_);
    gl.renderbufferStorage(GL_RENDERBUFFER, depthFormat(depthBits), width, height);
    gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
    gl.genFramebuffers(1, &framebuffer_);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    if (gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        destroy();
        return false;
    }
    return true;
}

void ScaledFrame::layOutTopRowFirst() {
    PFNGLCLIPCONTROLPROC clipControl = nullptr;
    topRowFirst_ = driverHasClipControl() && lookUp(clipControl, "glClipControl");
    if (topRowFirst_)
        clipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
}

void ScaledFrame::present(int drawableWidth, int drawableHeight) {
    const FrameRect rect = fitFrame(width_, height_, drawableWidth, drawableHeight);
    // The back buffer is undefined after a swap: the bars are cleared every
    // frame, but only they, since clearing costs a software rasteriser as
    // much as copying.
    const int right = rect.x + rect.width;
    const int top = rect.y + rect.height;
    const FrameRect bars[] = {
        {0, 0, rect.x, drawableHeight},
        {right, 0, drawableWidth - right, drawableHeight},
        {0, 0, drawableWidth, rect.y},
        {0, top, drawableWidth, drawableHeight - top},
    };
    // A scene may leave its scissor band set; both are put back.
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLint scissorBox[4];
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glEnable(GL_SCISSOR_TEST);
    for (const FrameRect& bar : bars) {
        if (bar.width <= 0 || bar.height <= 0)
            continue;
        glScissor(bar.x, bar.y, bar.width, bar.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    gl.blitFramebuffer(0, 0, width_, height_, rect.x, rect.y, right, top, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
}

void ScaledFrame::destroy() {
    if (framebuffer_ != 0) {
        gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
        gl.deleteFramebuffers(1, &framebuffer_);
    }
    if (colour_ != 0)
        gl.deleteRenderbuffers(1, &colour_);
    if (depth_ != 0)
        gl.deleteRenderbuffers(1, &depth_);
    framebuffer_ = colour_ = depth_ = 0;
    topRowFirst_ = false;
}
