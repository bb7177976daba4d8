// The window layer over SDL2 (platform/sdl/sdl_gl_window.h). Each set-up stage
// maps to its SDL counterpart; a stage without one still counts, so failures
// keep their numbers and shutdown() undoes exactly what was done.
#include "platform/sdl/sdl_gl_window.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cstring>
#include <iterator>

#include "base/factory_kind.h"
#include "platform/display_guard.h"
#include "platform/quit_request.h"
#include "platform/sdl/gl_window_faults.h"

namespace {

constexpr const char* WINDOW_CLASS = "glVarnok";
constexpr int REQUIRED_CHANNEL_BITS = 8;
constexpr int ANY_CHANNEL_BITS = 1;
// The private event type that carries MSG_BEGIN_ENDING; registered once.
uint32_t endingEventType = 0;

struct ViewerKey {
    SDL_Keycode key;
    ViewerCommand command;
};

constexpr ViewerKey VIEWER_KEYS[] = {
    {SDLK_SPACE, ViewerCommand::TOGGLE_PAUSE},
    {SDLK_LEFT, ViewerCommand::BACK_SHORT},
    {SDLK_RIGHT, ViewerCommand::FORWARD_SHORT},
    {SDLK_PAGEUP, ViewerCommand::BACK_LONG},
    {SDLK_PAGEDOWN, ViewerCommand::FORWARD_LONG},
    {SDLK_HOME, ViewerCommand::TO_START},
    {SDLK_COMMA, ViewerCommand::STEP_BACK},
    {SDLK_PERIOD, ViewerCommand::STEP_FORWARD},
};

void queueViewerKey(const SDL_KeyboardEvent& key, ViewerCommandQueue& commands) {
    for (const ViewerKey& row : VIEWER_KEYS) {
        if (row.key == key.keysym.sym)
            commands.press(row.command, key.repeat != 0);
    }
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
bool windowPlace(const DisplayConfig& config, bool fullscreen, bool scaled, SDL_Rect& place) {
    SDL_Rect bounds;
    SDL_DisplayMode desktop;
    if (!displayExists(config.displayIndex) || SDL_GetDisplayBounds(config.displayIndex, &bounds) != 0 ||
        SDL_GetDesktopDisplayMode(config.displayIndex, &desktop) != 0)
        return false;
    if (scaled) {
        place = bounds;
        return true;
    }
    const int screenWidth = fullscreen ? config.modeWidth : desktop.w;
    const int screenHeight = fullscreen ? config.modeHeight : desktop.h;
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

Uint32 windowFlags(bool fullscreen, bool scaled) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    // A plain window keeps its frame, so the desktop can move and close it.
    if (!fullscreen)
        return flags;
    return flags | SDL_WINDOW_BORDERLESS | (scaled ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN);
}

// Sets SDL up for the show's window before its video starts.
void prepareVideo(const DisplayConfig& config) {
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
    guardDisplayErrors();
}

// What the stages of one init() or shutdown() share.
struct StageContext {
    DisplayConfig& config;
    const AppInfo& app;
    GlWindow& handles;
    ScaledFrame& scaledFrame;
    bool hidden;                // never shown: drawn into the framebuffer object alone
    SDL_DisplayMode mode = {};  // the requested mode, when the display offers it
    bool scaled = false;        // frames are presented scaled
    int depthBits = 0;          // what the context grants

    bool fullscreen() const { return config.fullscreen && !hidden; }
    // Drawn in a framebuffer of its own, 8 bits a channel whatever the window's.
    bool ownFramebuffer() const { return scaled || hidden; }
};

SDL_Window* sdlWindowOf(const StageContext& context) { return static_cast<SDL_Window*>(context.handles.window); }

bool startVideoSystem(StageContext&) {
    if (!startDisplayVideo())
        return false;
    guardDisplayErrors();
    if (endingEventType == 0)
        endingEventType = SDL_RegisterEvents(1);
    return true;
}

void stopVideoSystem(StageContext&) { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

// Chooses between the mode switch and the scaled frame; the switch itself
// comes with the window.
bool chooseDisplayMode(StageContext& context) {
    const DisplayConfig& config = context.config;
    if (!displayExists(config.displayIndex))
        return false;
    context.scaled = !findDisplayMode(config, context.mode) || !modeSwitchShowsTheFrame();
    return true;
}

void restoreDisplayMode(StageContext& context) {
    if (sdlWindowOf(context) != nullptr)
        SDL_SetWindowFullscreen(sdlWindowOf(context), 0);
}

bool createWindow(StageContext& context) {
    const DisplayConfig& config = context.config;
    pixelFormatRequest(config);
    applyPixelFormat(!context.ownFramebuffer());
    SDL_Rect place = {};
    SDL_Window* sdlWindow = nullptr;
    if (windowPlace(config, context.fullscreen(), context.scaled, place))
        sdlWindow = SDL_CreateWindow(context.app.title, place.x, place.y, place.w, place.h,
                                     windowFlags(context.fullscreen(), context.scaled));
    if (sdlWindow == nullptr)
        return false;
    if (context.fullscreen() && !context.scaled && SDL_SetWindowDisplayMode(sdlWindow, &context.mode) != 0) {
        SDL_DestroyWindow(sdlWindow);
        return false;
    }
    context.handles.window = sdlWindow;
    if (context.hidden)
        return true;
    if (context.app.icon != nullptr)
        setWindowIcon(sdlWindow, *context.app.icon);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_DisableScreenSaver();
    return true;
}

void destroyWindow(StageContext& context) {
    SDL_DestroyWindow(sdlWindowOf(context));
    context.handles.window = nullptr;
}

// The window is its own drawable.
bool takeDrawable(StageContext& context) {
    context.handles.deviceContext = context.handles.window;
    return true;
}

void dropDrawable(StageContext& context) { context.handles.deviceContext = nullptr; }

// SDL set the pixel format with the window (stage 3); what is left here is
// to show the window, once it has its format.
bool showWindow(StageContext& context) {
    if (!context.hidden)
        SDL_ShowWindow(sdlWindowOf(context));
    return true;
}

bool createContext(StageContext& context) {
    SDL_GLContext created = SDL_GL_CreateContext(sdlWindowOf(context));
    if (created == nullptr)
        return false;
    if (!grantedAsRequested(!context.ownFramebuffer(), context.depthBits)) {
        SDL_GL_DeleteContext(created);
        return false;
    }
    context.handles.renderContext = created;
    return true;
}

void deleteContext(StageContext& context) {
    SDL_GL_DeleteContext(context.handles.renderContext);
    context.handles.renderContext = nullptr;
}

bool makeCurrent(StageContext& context) {
    if (SDL_GL_MakeCurrent(sdlWindowOf(context), context.handles.renderContext) != 0)
        return false;
    // Adaptive vsync where offered; the loop still renders as fast as the swap returns.
    if (SDL_GL_SetSwapInterval(-1) != 0)
        SDL_GL_SetSwapInterval(1);
    return true;
}

void releaseContext(StageContext& context) {
    context.scaledFrame.destroy();
    SDL_GL_MakeCurrent(sdlWindowOf(context), nullptr);
}

// When a stage takes part: the display mode only in fullscreen.
enum class StageScope { ALWAYS, FULLSCREEN };
// Where shutdown() undoes a stage: the display mode comes back first, the
// rest goes back to front.
enum class UndoOrder { BACK_TO_FRONT, FIRST };

struct SetupStage {
    ICWINCONFIGERRORS stage;
    const char* name;
    bool (*perform)(StageContext&);  // null: nothing to do
    void (*undo)(StageContext&);     // null: nothing to undo
    StageScope scope;
    UndoOrder undoOrder;
};

// Every field of a row has a type of its own, so a reordered field does not compile.
constexpr SetupStage SETUP_STAGES[] = {
    {STAGE_REGISTER_CLASS, setupStageName(STAGE_REGISTER_CLASS), startVideoSystem, stopVideoSystem,
     StageScope::ALWAYS, UndoOrder::BACK_TO_FRONT},
    {STAGE_DISPLAY_MODE, setupStageName(STAGE_DISPLAY_MODE), chooseDisplayMode, restoreDisplayMode,
     StageScope::FULLSCREEN, UndoOrder::FIRST},
    {STAGE_CREATE_WINDOW, setupStageName(STAGE_CREATE_WINDOW), createWindow, destroyWindow, StageScope::ALWAYS,
     UndoOrder::BACK_TO_FRONT},
    {STAGE_DEVICE_CONTEXT, setupStageName(STAGE_DEVICE_CONTEXT), takeDrawable, dropDrawable, StageScope::ALWAYS,
     UndoOrder::BACK_TO_FRONT},
    // SDL chose the pixel format when it made the window (stage 3).
    {STAGE_CHOOSE_PIXEL_FORMAT, setupStageName(STAGE_CHOOSE_PIXEL_FORMAT), nullptr, nullptr, StageScope::ALWAYS,
     UndoOrder::BACK_TO_FRONT},
    {STAGE_SET_PIXEL_FORMAT, setupStageName(STAGE_SET_PIXEL_FORMAT), showWindow, nullptr, StageScope::ALWAYS,
     UndoOrder::BACK_TO_FRONT},
    {STAGE_CREATE_CONTEXT, setupStageName(STAGE_CREATE_CONTEXT), createContext, deleteContext, StageScope::ALWAYS,
     UndoOrder::BACK_TO_FRONT},
    {STAGE_MAKE_CURRENT, setupStageName(STAGE_MAKE_CURRENT), makeCurrent, releaseContext, StageScope::ALWAYS,
     UndoOrder::BACK_TO_FRONT},
};

constexpr bool stagesInOrder() {
    int32_t expected = STAGE_REGISTER_CLASS;
    for (const SetupStage& row : SETUP_STAGES) {
        if (row.stage != expected++)
            return false;
    }
    return expected == STAGE_MAKE_CURRENT + 1;
}
static_assert(stagesInOrder(), "one row per stage, in the order of their numbers");

bool takesPart(const SetupStage& row, const StageContext& context) {
    return row.scope == StageScope::ALWAYS || context.fullscreen();
}

// Answers whether the stage may go on; a stage under test fails here.
bool stageAllowed(const SetupStage& row) {
    if (!setupFailureInjectedAt(row.stage))
        return true;
    SDL_SetError("set-up stage %d (%s) failed on purpose", static_cast<int>(row.stage), row.name);
    return false;
}

// Undoes the stages done below status, from lowest up, in shutdown()'s order.
void undoStages(StageContext& context, int32_t status, int32_t lowest) {
    const auto undo = [&](const SetupStage& row) {
        if (row.stage < lowest || row.stage >= status || row.undo == nullptr || !takesPart(row, context))
            return;
        row.undo(context);
        noteUndoneStage(row.stage);
    };
    for (const SetupStage& row : SETUP_STAGES) {
        if (row.undoOrder == UndoOrder::FIRST)
            undo(row);
    }
    for (auto row = std::rbegin(SETUP_STAGES); row != std::rend(SETUP_STAGES); ++row) {
        if (row->undoOrder == UndoOrder::BACK_TO_FRONT)
            undo(*row);
    }
}

}  // namespace

const char* lastWindowError() { return SDL_GetError(); }

// Each stage that fails ends init() with its number in status; init() undoes
// nothing of the stages before it, shutdown() does.
bool SdlGlWindow::init(DisplayConfig& config, const AppInfo& app) {
    prepareVideo(config);
    StageContext context{config, app, *this, scaledFrame_, hidden_};
    for (const SetupStage& row : SETUP_STAGES) {
        if (!takesPart(row, context))
            continue;
        if (!stageAllowed(row) || (row.perform != nullptr && !row.perform(context))) {
            config.status = row.stage;
            return false;
        }
    }

    // A drawable of another size than the frame (a desktop-sized window, a
    // HiDPI scale) gets the frame scaled too. Where it cannot be, the display
    // mode is what failed: the stages after it are undone here, so that
    // shutdown() finds stage 2 failed.
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window), &drawableWidth, &drawableHeight);
    const bool scaled = context.ownFramebuffer() || drawableWidth != config.windowWidth ||
                        drawableHeight != config.windowHeight;
    // A hidden window has no buffer of its own for the frame to match: its
    // depth buffer has the bits asked for, as an offscreen context grants
    // them, since depth tests round with them.
    const int frameDepthBits = context.hidden ? sharedPixelFormat.depthBits : context.depthBits;
    if (scaled && !scaledFrame_.create(config.windowWidth, config.windowHeight, frameDepthBits)) {
        undoStages(context, SETUP_DONE, STAGE_CREATE_WINDOW);
        SDL_SetError("no %ux%u display mode with %u-bit pixels, and no framebuffer objects to draw the frame "
                     "scaled",
                     unsigned{config.modeWidth}, unsigned{config.modeHeight}, unsigned{config.colorBits});
        config.status = STAGE_DISPLAY_MODE;
        return false;
    }

    // Its frame is read back, never presented: laid out as a window's.
    if (context.hidden)
        scaledFrame_.layOutTopRowFirst();
    config.status = SETUP_DONE;
    return true;
}

uint32_t SdlGlWindow::pumpMessages() {
    uint32_t bits = 0;
    viewerCommands_.clear();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            bits |= PUMP_QUIT;
        } else if (event.type == endingEventType) {
            bits |= PUMP_ENDING;
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
            postQuitRequest();
        } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            // Auto-repeats count, as repeated characters would. The ending
            // is asked for as a message of its own, as a desktop would post it.
            if (pressEscape() == PUMP_ENDING) {
                SDL_Event ending = {};
                ending.type = endingEventType;
                ending.user.code = static_cast<Sint32>(MSG_BEGIN_ENDING);
                SDL_PushEvent(&ending);
            } else {
                postQuitRequest();
            }
        } else if (event.type == SDL_KEYDOWN) {
            queueViewerKey(event.key, viewerCommands_);
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

bool SdlGlWindow::swapBuffers() {
    glFlush();
    if (window == nullptr)
        return false;
    // A hidden window's frame stays in its framebuffer, where it was read.
    if (hidden_)
        return true;
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

bool SdlGlWindow::shutdown(DisplayConfig& config, const AppInfo& app) {
    forgetUndoneStages();
    StageContext context{config, app, *this, scaledFrame_, hidden_};
    undoStages(context, config.status, STAGE_REGISTER_CLASS);
    return true;
}

GlWindow* createGlWindow(int kind) {
    if (kind != STANDARD_KIND)
        return nullptr;
    return new SdlGlWindow();
}
