#include "tests/support/headless_gl.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "gfx/fixed_gl_state.h"

namespace {

struct SharedContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

SharedContext makeSharedContext() {
    SharedContext shared;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "headless gl: %s\n", SDL_GetError());
        return shared;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    shared.window = SDL_CreateWindow("test", 0, 0, HeadlessGl::WIDTH, HeadlessGl::HEIGHT, SDL_WINDOW_OPENGL);
    if (shared.window != nullptr)
        shared.context = SDL_GL_CreateContext(shared.window);
    if (shared.context == nullptr)
        std::fprintf(stderr, "headless gl: %s\n", SDL_GetError());
    return shared;
}

}  // namespace

HeadlessGl::HeadlessGl() {
    static const SharedContext shared = makeSharedContext();
    if (shared.context == nullptr)
        return;
    SDL_GL_MakeCurrent(shared.window, shared.context);
    setFixedGlState(DisplayConfig{});
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
