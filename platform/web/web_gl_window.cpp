// The window layer in a web page (platform/web/web_gl_window.h). The stages
// keep their numbers, so a failure names the same stage as on the desktop;
// a stage without a counterpart in a browser still counts and succeeds.
#include "platform/web/web_gl_window.h"

#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <cassert>
#include <iterator>
#include <new>

#include "base/factory_kind.h"
#include "platform/quit_request.h"
#include "platform/system_dialogs.h"
#include "gfx/es/webgl_backend.h"
#include "platform/web/page_bridge.h"

namespace {

constexpr const char* CANVAS = "#show";
constexpr int WEBGL_VERSION = 2;

const char* lastError = "";

// The viewer's keys by their KeyboardEvent.key names, as the page queues them.
struct ViewerKey {
    const char* name;
    ViewerCommand command;
};

constexpr ViewerKey VIEWER_KEYS[] = {
    {" ", ViewerCommand::TOGGLE_PAUSE},
    {"ArrowLeft", ViewerCommand::BACK_SHORT},
    {"ArrowRight", ViewerCommand::FORWARD_SHORT},
    {"PageUp", ViewerCommand::BACK_LONG},
    {"PageDown", ViewerCommand::FORWARD_LONG},
    {"Home", ViewerCommand::TO_START},
    {",", ViewerCommand::STEP_BACK},
    {".", ViewerCommand::STEP_FORWARD},
};

void watchViewerKeys() {
    const char* names[std::size(VIEWER_KEYS)];
    for (size_t i = 0; i < std::size(VIEWER_KEYS); ++i)
        names[i] = VIEWER_KEYS[i].name;
    pageWatchKeys(names, static_cast<int>(std::size(VIEWER_KEYS)));
}

// What the stages of one init() or shutdown() share.
struct StageContext {
    DisplayConfig& config;
    GlWindow& handles;
    int& webglContext;
    bool keepFrames;
};

bool fail(const char* reason) {
    lastError = reason;
    return false;
}

// The page's canvas stands for the video system: without it there is
// nothing to draw on.
bool findCanvas(StageContext&) {
    int width = 0, height = 0;
    if (emscripten_get_canvas_element_size(CANVAS, &width, &height) != EMSCRIPTEN_RESULT_SUCCESS)
        return fail("the page has no canvas #show");
    return true;
}

// The canvas's drawing buffer is the window: the frame's size, whatever size
// the page shows it at.
bool sizeCanvas(StageContext& context) {
    const DisplayConfig& config = context.config;
    if (emscripten_set_canvas_element_size(CANVAS, config.windowWidth, config.windowHeight) !=
        EMSCRIPTEN_RESULT_SUCCESS)
        return fail("the canvas #show cannot be sized");
    context.handles.window = const_cast<char*>(CANVAS);
    showCursor(false);
    return true;
}

void releaseCanvas(StageContext& context) {
    showCursor(true);
    context.handles.window = nullptr;
}

// The canvas is its own drawable.
bool takeDrawable(StageContext& context) {
    context.handles.deviceContext = context.handles.window;
    return true;
}

void dropDrawable(StageContext& context) { context.handles.deviceContext = nullptr; }

// The pixel format is the context's attributes, asked for with the context.
bool createContext(StageContext& context) {
    const PixelFormatRequest& request = pixelFormatRequest(context.config);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = request.depthBits > 0;
    attributes.stencil = request.stencilBits > 0;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.preserveDrawingBuffer = context.keepFrames;
    attributes.majorVersion = WEBGL_VERSION;
    attributes.minorVersion = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE created = emscripten_webgl_create_context(CANVAS, &attributes);
    if (created <= 0)
        return fail("the browser offers no WebGL 2 on the canvas");
    context.webglContext = created;
    context.handles.renderContext = reinterpret_cast<void*>(static_cast<intptr_t>(created));
    return true;
}

void deleteContext(StageContext& context) {
    emscripten_webgl_destroy_context(context.webglContext);
    context.webglContext = 0;
    context.handles.renderContext = nullptr;
}

// The backend needs the current context for its shaders and buffers.
bool makeCurrent(StageContext& context) {
    if (emscripten_webgl_make_context_current(context.webglContext) != EMSCRIPTEN_RESULT_SUCCESS)
        return fail("the WebGL 2 context cannot be made current");
    if (!startWebGlBackend()) {
        emscripten_webgl_make_context_current(0);
        return fail(lastWebGlBackendError());
    }
    return true;
}

void releaseContext(StageContext&) {
    stopWebGlBackend();
    emscripten_webgl_make_context_current(0);
}

struct SetupStage {
    ICWINCONFIGERRORS stage;
    bool (*perform)(StageContext&);  // null: nothing to do in a browser
    void (*undo)(StageContext&);     // null: nothing to undo
};

constexpr SetupStage SETUP_STAGES[] = {
    {STAGE_REGISTER_CLASS, findCanvas, nullptr},
    // A page switches no display mode: the page fits the canvas to its window.
    {STAGE_DISPLAY_MODE, nullptr, nullptr},
    {STAGE_CREATE_WINDOW, sizeCanvas, releaseCanvas},
    {STAGE_DEVICE_CONTEXT, takeDrawable, dropDrawable},
    // The browser chooses and sets the pixel format with the context (stage 7).
    {STAGE_CHOOSE_PIXEL_FORMAT, nullptr, nullptr},
    {STAGE_SET_PIXEL_FORMAT, nullptr, nullptr},
    {STAGE_CREATE_CONTEXT, createContext, deleteContext},
    {STAGE_MAKE_CURRENT, makeCurrent, releaseContext},
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

}  // namespace

const char* lastWindowError() { return lastError; }

bool WebGlWindow::init(DisplayConfig& config, const AppInfo&) {
    StageContext context{config, *this, context_, keepFrames_};
    for (const SetupStage& row : SETUP_STAGES) {
        if (row.perform != nullptr && !row.perform(context)) {
            config.status = row.stage;
            return false;
        }
    }
    watchViewerKeys();
    config.status = SETUP_DONE;
    return true;
}

// The page queues the Escape presses; they follow the desktop's protocol.
// The viewer's keys it queued give the desktop's commands; its seek bar's
// times follow them.
uint32_t WebGlWindow::pumpMessages() {
    uint32_t bits = 0;
    viewerCommands_.clear();
    int repeated = 0;
    for (int key = pageTakeKey(&repeated); key >= 0; key = pageTakeKey(&repeated)) {
        assert(key < static_cast<int>(std::size(VIEWER_KEYS)));
        viewerCommands_.press(VIEWER_KEYS[key].command, repeated != 0);
    }
    for (int ms = pageTakeSeekMs(); ms >= 0; ms = pageTakeSeekMs())
        viewerCommands_.push(seekTo(static_cast<uint32_t>(ms)));
    for (int presses = pageTakeEscapes(); presses > 0; --presses)
        bits |= pressEscape();
    if (takeQuitRequest())
        bits |= PUMP_QUIT;
    return bits;
}

bool WebGlWindow::swapBuffers() {
    presentWebGlFrame();
    return true;
}

bool WebGlWindow::shutdown(DisplayConfig& config, const AppInfo&) {
    StageContext context{config, *this, context_, keepFrames_};
    for (auto row = std::rbegin(SETUP_STAGES); row != std::rend(SETUP_STAGES); ++row) {
        if (row->stage < config.status && row->undo != nullptr)
            row->undo(context);
    }
    return true;
}

GlWindow* createGlWindow(int kind) {
    if (kind != STANDARD_KIND)
        return nullptr;
    return new (std::nothrow) WebGlWindow();
}
