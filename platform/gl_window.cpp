// The window layer over SDL2. Each set-up stage maps to its SDL counterpart;
// a stage without one (the device context and the pixel format, which SDL
// settles when it makes the window) still counts, so failures keep their
// numbers and shutdown() undoes exactly what was done.
#include "platform/gl_window.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "platform/factory_kind.h"
#include "platform/gl_window_faults.h"
#include "platform/quit_request.h"
#include "platform/x11_guard.h"

bool escapePressed = false;
PixelFormatRequest sharedPixelFormat = {};
bool sharedPixelFormatFilled = false;

namespace {

constexpr const char* WINDOW_CLASS = "glVarnok";
constexpr float NEAR_PLANE = 0.01f;
constexpr double FAR_PLANE = 10.0;
constexpr double FIELD_OF_VIEW = 45.0;
constexpr double CLEAR_DEPTH = 10.0;  // clamped by OpenGL to the far value 1
constexpr int REQUIRED_CHANNEL_BITS = 8;
constexpr int ANY_CHANNEL_BITS = 1;
constexpr int UNDO_LOG_CAPACITY = 8;

int32_t injectedFailure = 0;
int32_t undoLog[UNDO_LOG_CAPACITY];
int32_t undoLogLength = 0;

// The private event type that carries MSG_BEGIN_ENDING; registered once.
uint32_t endingEventType = 0;

// Answers whether the stage may go on; a stage under test fails here.
bool stageAllowed(int32_t stage) {
    if (injectedFailure != stage)
        return true;
    SDL_SetError("set-up stage %d failed on purpose", static_cast<int>(stage));
    return false;
}

void logUndo(int32_t stage) {
    if (undoLogLength < UNDO_LOG_CAPACITY)
        undoLog[undoLogLength++] = stage;
}

void fillPixelFormat(const DisplayConfig& config) {
    if (sharedPixelFormatFilled)
        return;
    sharedPixelFormatFilled = true;
    sharedPixelFormat = PixelFormatRequest{config.colorBits, config.depthBits, config.stencilBits, true};
}

// SDL settles the pixel format when it creates the window, so the request is
// applied before that. SDL's defaults are 3/3/2 colour bits: ask explicitly.
// A frame presented scaled is drawn in its own 8-bit framebuffer, so then the
// window takes whatever colour depth the screen has.
void applyPixelFormat(bool exactColour) {
    const int channelBits = exactColour ? REQUIRED_CHANNEL_BITS : ANY_CHANNEL_BITS;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, sharedPixelFormat.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, sharedPixelFormat.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, sharedPixelFormat.doubleBuffer ? 1 : 0);
}

// Answers whether the context grants the colour and depth bits asked for.
// Double buffering is asked for but not required: offscreen drivers draw into
// a single buffer, and the swap still presents the frame.
bool grantedAsRequested(bool exactColour, int& depth) {
    int red = 0, green = 0, blue = 0;
    SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &red);
    SDL_GL_GetAttribute(SDL_GL_GREEN_SIZE, &green);
    SDL_GL_GetAttribute(SDL_GL_BLUE_SIZE, &blue);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    const bool colour = !exactColour || (red >= REQUIRED_CHANNEL_BITS && green >= REQUIRED_CHANNEL_BITS &&
                                         blue >= REQUIRED_CHANNEL_BITS);
    if (colour && depth >= sharedPixelFormat.depthBits)
        return true;
    SDL_SetError("the context grants %d/%d/%d colour bits and %d depth bits", red, green, blue, depth);
    return false;
}

bool named(const char* driver, const char* name) { return driver != nullptr && std::strcmp(driver, name) == 0; }

bool isHeadless(const char* driver) { return named(driver, "offscreen") || named(driver, "dummy"); }

void describeMissingDisplay() {
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (x11 != nullptr && wayland != nullptr)
        SDL_SetError("cannot reach the display DISPLAY=%s or WAYLAND_DISPLAY=%s", x11, wayland);
    else if (x11 != nullptr || wayland != nullptr)
        SDL_SetError("cannot reach the display %s=%s", x11 != nullptr ? "DISPLAY" : "WAYLAND_DISPLAY",
                     x11 != nullptr ? x11 : wayland);
    else
        SDL_SetError("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
}

// Starts SDL's video on the display the environment names. Left to itself,
// SDL tries every driver in turn when that display cannot be reached and may
// end up on one without a display (offscreen), where the show would play to
// nothing: such a driver runs only when SDL_VIDEODRIVER asks for it.
// With no display named at all, no driver is tried: each would only add a
// library's own complaint (libwayland's about XDG_RUNTIME_DIR) to ours.
bool startVideo() {
    const bool asked = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (!asked && x11 == nullptr && wayland == nullptr) {
        describeMissingDisplay();
        return false;
    }
    if (!asked && (x11 == nullptr) != (wayland == nullptr))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 != nullptr ? "x11" : "wayland");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (!asked)
            describeMissingDisplay();
        return false;
    }
    if (asked || !isHeadless(SDL_GetCurrentVideoDriver()))
        return true;
    // A failed stage leaves nothing behind.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    describeMissingDisplay();
    return false;
}

bool displayExists(int index) {
    const int displays = SDL_GetNumVideoDisplays();
    if (index < displays)
        return true;
    if (displays == 1)
        SDL_SetError("no display %d: this desktop has one display, counted from 0", index);
    else
        SDL_SetError("no display %d: this desktop has %d displays, counted from 0", index, displays);
    return false;
}

bool isRequestedMode(const DisplayConfig& config, const SDL_DisplayMode& mode) {
    return mode.w == config.modeWidth && mode.h == config.modeHeight &&
           static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8 == config.colorBits;
}

// The exact mode asked for, among the display's modes or its desktop mode
// (some drivers list only the latter); a 24-bit colour depth in 32-bit pixels
// counts.
bool findDisplayMode(const DisplayConfig& config, SDL_DisplayMode& mode) {
    const int modes = SDL_GetNumDisplayModes(config.displayIndex);
    for (int i = 0; i < modes; ++i) {
        if (SDL_GetDisplayMode(config.displayIndex, i, &mode) == 0 && isRequestedMode(config, mode))
            return true;
    }
    return SDL_GetDesktopDisplayMode(config.displayIndex, &mode) == 0 && isRequestedMode(config, mode);
}

// Wayland compositors do not switch modes: SDL stretches the window there,
// and through XWayland a switched mode leaves the frame in a corner of a
// desktop-sized window.
bool modeSwitchShowsTheFrame() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return !named(driver, "wayland") && !(named(driver, "x11") && SDL_getenv("WAYLAND_DISPLAY") != nullptr);
}

// Where the window goes on its display, and how large it is. A switched mode
// and a plain window are centred on the screen (the metrics after the switch,
// each half taken separately); a scaled frame's window fills the desktop.
bool windowPlace(const DisplayConfig& config, bool scaled, SDL_Rect& place) {
    SDL_Rect bounds;
    SDL_DisplayMode desktop;
    if (!displayExists(config.displayIndex) || SDL_GetDisplayBounds(config.displayIndex, &bounds) != 0 ||
        SDL_GetDesktopDisplayMode(config.displayIndex, &desktop) != 0)
        return false;
    if (scaled) {
        place = bounds;
        return true;
    }
    const int screenWidth = config.fullscreen ? config.modeWidth : desktop.w;
    const int screenHeight = config.fullscreen ? config.modeHeight : desktop.h;
    place.x = bounds.x + screenWidth / 2 - config.windowWidth / 2;
    place.y = bounds.y + screenHeight / 2 - config.windowHeight / 2;
    place.w = config.windowWidth;
    place.h = config.windowHeight;
    return true;
}

// The icon window managers show for the window (_NET_WM_ICON under X11).
void setWindowIcon(SDL_Window* window, const WindowIcon& icon) {
    constexpr int BITS_PER_PIXEL = 32;
    constexpr int BYTES_PER_PIXEL = 4;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint8_t*>(icon.pixels), static_cast<int>(icon.width), static_cast<int>(icon.height),
        BITS_PER_PIXEL, static_cast<int>(icon.width) * BYTES_PER_PIXEL, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr)
        return;
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

Uint32 windowFlags(const DisplayConfig& config, bool scaled) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    // A plain window keeps its frame, so the desktop can move and close it.
    if (!config.fullscreen)
        return flags;
    return flags | SDL_WINDOW_BORDERLESS | (scaled ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN);
}

}  // namespace

void setFixedGlState(const DisplayConfig& config) {
    glViewport(config.viewportX, config.viewportY, config.windowWidth, config.windowHeight);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(CLEAR_DEPTH);
    glClearStencil(0);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(config.modeWidth) / static_cast<double>(config.modeHeight);
    gluPerspective(FIELD_OF_VIEW, aspect, static_cast<double>(NEAR_PLANE), FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

const char* lastWindowError() { return SDL_GetError(); }

void injectSetupFailure(int32_t stage) { injectedFailure = stage; }

int32_t undoneStages(int32_t* order, int32_t capacity) {
    int32_t count = undoLogLength < capacity ? undoLogLength : capacity;
    for (int32_t i = 0; i < count; ++i)
        order[i] = undoLog[i];
    return count;
}

bool GlWindow::init(DisplayConfig& config, const AppInfo& app) {
    int32_t stage = STAGE_REGISTER_CLASS;
    SDL_Window* sdlWindow = nullptr;
    SDL_GLContext context = nullptr;
    SDL_DisplayMode mode = {};
    SDL_Rect place = {};
    bool scaled = false;
    int depthBits = 0;
    int drawableWidth = 0, drawableHeight = 0;

    // The stages read top to bottom; a failed one jumps to the end with its number.
    // The window class: X11 reads it from the environment, others from the application name.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", WINDOW_CLASS, 0);
    SDL_SetHint(SDL_HINT_APP_NAME, WINDOW_CLASS);
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A full-screen window has no frame to draw, so under Wayland SDL need
    // not load libdecor, which complains on stderr when it has no plugins.
    if (config.fullscreen)
        SDL_SetHint(SDL_HINT_VIDEO_WAYLAND_ALLOW_LIBDECOR, "0");
    guardX11Errors();
    if (!stageAllowed(stage) || !startVideo())
        goto failed;
    guardX11Errors();
    if (endingEventType == 0)
        endingEventType = SDL_RegisterEvents(1);

    stage = STAGE_DISPLAY_MODE;
    if (config.fullscreen) {
        if (!stageAllowed(stage) || !displayExists(config.displayIndex))
            goto failed;
        scaled = !findDisplayMode(config, mode) || !modeSwitchShowsTheFrame();
    }

    fillPixelFormat(config);
    applyPixelFormat(!scaled);

    stage = STAGE_CREATE_WINDOW;
    if (stageAllowed(stage) && windowPlace(config, scaled, place))
        sdlWindow = SDL_CreateWindow(app.title, place.x, place.y, place.w, place.h, windowFlags(config, scaled));
    if (sdlWindow == nullptr)
        goto failed;
    if (config.fullscreen && !scaled && SDL_SetWindowDisplayMode(sdlWindow, &mode) != 0) {
        SDL_DestroyWindow(sdlWindow);
        goto failed;
    }
    window = sdlWindow;
    if (app.icon != nullptr)
        setWindowIcon(sdlWindow, *app.icon);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_DisableScreenSaver();

    stage = STAGE_DEVICE_CONTEXT;
    if (!stageAllowed(stage))
        goto failed;
    deviceContext = sdlWindow;

    stage = STAGE_CHOOSE_PIXEL_FORMAT;
    if (!stageAllowed(stage))
        goto failed;
    stage = STAGE_SET_PIXEL_FORMAT;
    if (!stageAllowed(stage))
        goto failed;

    SDL_ShowWindow(sdlWindow);

    stage = STAGE_CREATE_CONTEXT;
    if (stageAllowed(stage))
        context = SDL_GL_CreateContext(sdlWindow);
    if (context == nullptr)
        goto failed;
    if (!grantedAsRequested(!scaled, depthBits)) {
        SDL_GL_DeleteContext(context);
        goto failed;
    }
    renderContext = context;

    stage = STAGE_MAKE_CURRENT;
    if (!stageAllowed(stage) || SDL_GL_MakeCurrent(sdlWindow, context) != 0)
        goto failed;
    // Adaptive vsync where offered; the loop still renders as fast as the swap returns.
    if (SDL_GL_SetSwapInterval(-1) != 0)
        SDL_GL_SetSwapInterval(1);

    // A drawable of another size than the frame (a desktop-sized window, a
    // HiDPI scale) gets the frame scaled too.
    SDL_GL_GetDrawableSize(sdlWindow, &drawableWidth, &drawableHeight);
    scaled = scaled || drawableWidth != config.windowWidth || drawableHeight != config.windowHeight;
    if (scaled && !scaledFrame_.create(config.windowWidth, config.windowHeight, depthBits)) {
        undoStages(config, SETUP_DONE, STAGE_CREATE_WINDOW);
        stage = STAGE_DISPLAY_MODE;
        SDL_SetError("no %ux%u display mode with %u-bit pixels, and no framebuffer objects to draw the frame "
                     "scaled",
                     unsigned{config.modeWidth}, unsigned{config.modeHeight}, unsigned{config.colorBits});
        goto failed;
    }

    setFixedGlState(config);
    config.status = SETUP_DONE;
    return true;

failed:
    config.status = stage;
    return false;
}

void GlWindow::setOption(uint8_t value) { option = value; }

uint32_t GlWindow::pumpMessages() {
    uint32_t bits = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            bits |= PUMP_QUIT;
        } else if (event.type == endingEventType) {
            bits |= PUMP_ENDING;
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
            postQuitRequest();
        } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            // Auto-repeats count, as repeated characters would.
            if (!escapePressed) {
                SDL_Event ending = {};
                ending.type = endingEventType;
                ending.user.code = static_cast<Sint32>(MSG_BEGIN_ENDING);
                SDL_PushEvent(&ending);
                escapePressed = true;
            } else {
                postQuitRequest();
            }
        }
    }
    // SDL's poll stops at the events present when it started; what this drain
    // posted itself is still reported by it, as a message loop would.
    if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, endingEventType, endingEventType) > 0)
        bits |= PUMP_ENDING;
    if (takeQuitRequest())
        bits |= PUMP_QUIT;
    return bits;
}

bool GlWindow::swapBuffers() {
    glFlush();
    if (window == nullptr)
        return false;
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window);
    if (scaledFrame_.active()) {
        // Read every frame: the desktop may resize a window that fills it.
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(sdlWindow, &drawableWidth, &drawableHeight);
        scaledFrame_.present(drawableWidth, drawableHeight);
    }
    SDL_GL_SwapWindow(sdlWindow);
    return true;
}

bool GlWindow::shutdown(DisplayConfig& config, const AppInfo&) {
    undoLogLength = 0;
    undoStages(config, config.status, STAGE_REGISTER_CLASS);
    return true;
}

void GlWindow::undoStages(const DisplayConfig& config, int32_t status, int32_t lowest) {
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window);
    if (config.fullscreen && status > STAGE_DISPLAY_MODE && lowest <= STAGE_DISPLAY_MODE) {
        if (sdlWindow != nullptr)
            SDL_SetWindowFullscreen(sdlWindow, 0);
        logUndo(STAGE_DISPLAY_MODE);
    }
    if (status > STAGE_MAKE_CURRENT) {
        scaledFrame_.destroy();
        SDL_GL_MakeCurrent(sdlWindow, nullptr);
        logUndo(STAGE_MAKE_CURRENT);
    }
    if (status > STAGE_CREATE_CONTEXT) {
        SDL_GL_DeleteContext(renderContext);
        renderContext = nullptr;
        logUndo(STAGE_CREATE_CONTEXT);
    }
    if (status > STAGE_DEVICE_CONTEXT) {
        deviceContext = nullptr;
        logUndo(STAGE_DEVICE_CONTEXT);
    }
    if (status > STAGE_CREATE_WINDOW) {
        SDL_DestroyWindow(sdlWindow);
        window = nullptr;
        logUndo(STAGE_CREATE_WINDOW);
    }
    if (status > STAGE_REGISTER_CLASS && lowest <= STAGE_REGISTER_CLASS) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        logUndo(STAGE_REGISTER_CLASS);
    }
}

GlWindow* createGlWindow(int kind) {
    if (kind != STANDARD_KIND)
        return nullptr;
    return new GlWindow();
}
