#include "tests/support/headless_gl.h"

#include <GL/gl.h>

#include <cstdio>

#include "gfx/fixed_gl_state.h"
#include "platform/gl_window.h"
#include "platform/offscreen_window.h"

namespace {

// The show's own window, drawing offscreen: its pixel format and its fixed
// state.
GlWindow* openSharedWindow() {
    GlWindow* window = createOffscreenGlWindow();
    DisplayConfig config;
    config.fullscreen = false;
    const AppInfo app{nullptr, "test"};
    if (window->init(config, app))
        return window;
    std::fprintf(stderr, "headless gl: %s\n", lastWindowError());
    window->shutdown(config, app);
    delete window;
    return nullptr;
}

}  // namespace

HeadlessGl::HeadlessGl() {
    static const GlWindow* const shared = openSharedWindow();
    if (shared == nullptr)
        return;
    setFixedGlState(fixedGlFrame(DisplayConfig{}));
    ok_ = true;
}

void HeadlessGl::clear() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

std::vector<uint8_t> HeadlessGl::readPixels() const {
    std::vector<uint8_t> rgba(static_cast<size_t>(WIDTH) * HEIGHT * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

uint32_t HeadlessGl::pixel(int x, int y) const {
    uint8_t rgba[4] = {};
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return static_cast<uint32_t>(rgba[0]) | static_cast<uint32_t>(rgba[1]) << 8 |
           static_cast<uint32_t>(rgba[2]) << 16 | static_cast<uint32_t>(rgba[3]) << 24;
}
