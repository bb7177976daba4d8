// The window layer's interface: one window with an OpenGL compatibility
// context, the fixed projection every scene relies on, the message pump and
// the Escape protocol. createGlWindow(1) gives this platform's window
// (platform/sdl/sdl_gl_window.h on every desktop); the recorder and the tests put windows
// of their own behind the same interface.
//
// What the rest of the program may rely on, on every platform:
//   - init() opens the window stage by stage and records a failed stage in
//     DisplayConfig::status; shutdown() undoes exactly the stages that were
//     done, the display mode first.
//   - After a complete init the context is current on the calling thread;
//     the caller then applies the fixed GL state, fixedGlFrame(config)
//     (gfx/fixed_gl_state.h).
//   - Every frame is drawn at windowWidth x windowHeight with the same pixel
//     values, whatever the screen.
//   - pumpMessages() never waits and returns PUMP_QUIT and PUMP_ENDING bits:
//     the first Escape asks for the ending; a later Escape, closing the
//     window or a posted quit request (platform/quit_request.h) quits.
//   - After each pump, takeViewerCommand() hands over the viewer's commands
//     that pump saw (platform/viewer_command.h), oldest first; a window no
//     viewer watches (the recorder's) has none.
#pragma once

#include <cstdint>

#include "content/frame_size.h"
#include "gfx/fixed_gl_state.h"
#include "platform/viewer_command.h"

// The set-up stage that failed; the value is the stage number.
enum ICWINCONFIGERRORS : int32_t {
    STAGE_REGISTER_CLASS = 1,
    STAGE_DISPLAY_MODE = 2,
    STAGE_CREATE_WINDOW = 3,
    STAGE_DEVICE_CONTEXT = 4,
    STAGE_CHOOSE_PIXEL_FORMAT = 5,
    STAGE_SET_PIXEL_FORMAT = 6,
    STAGE_CREATE_CONTEXT = 7,
    STAGE_MAKE_CURRENT = 8,
};

// What each stage does, in a user's words; index = stage number.
inline constexpr const char* SETUP_STAGE_NAMES[] = {
    "",
    "starting the video system",
    "switching the display mode",
    "creating the window",
    "getting the drawable",
    "choosing the pixel format",
    "setting the pixel format",
    "creating the OpenGL context",
    "making the OpenGL context current",
};
static_assert(sizeof SETUP_STAGE_NAMES / sizeof SETUP_STAGE_NAMES[0] == STAGE_MAKE_CURRENT + 1,
              "a name for every stage");

// The name of a stage, for a message; "" for any other status.
constexpr const char* setupStageName(int32_t stage) {
    return stage >= STAGE_REGISTER_CLASS && stage <= STAGE_MAKE_CURRENT ? SETUP_STAGE_NAMES[stage] : "";
}

constexpr int32_t SETUP_DONE = 10000;

// The private request that asks the main loop for the ending sequence.
constexpr uint32_t MSG_BEGIN_ENDING = 1066;

// Request bits returned by pumpMessages().
constexpr uint32_t PUMP_QUIT = 1;
constexpr uint32_t PUMP_ENDING = 2;

struct DisplayConfig {
    int32_t reserved = 1;
    bool fullscreen = true;
    uint16_t modeWidth = FRAME_WIDTH;
    uint16_t modeHeight = FRAME_HEIGHT;
    uint16_t windowWidth = FRAME_WIDTH;
    uint16_t windowHeight = FRAME_HEIGHT;
    uint16_t viewportX = 0;
    uint16_t viewportY = 0;
    uint8_t colorBits = 32;
    uint8_t depthBits = 16;
    uint8_t stencilBits = 0;
    uint8_t reservedByte = 0;
    int32_t status = SETUP_DONE;
    int32_t displayIndex = 0;  // the monitor to use, from 0 (the primary)
};

// A picture for the window's icon: width x height RGBA pixels, row 0 at the top.
struct WindowIcon {
    uint32_t width;
    uint32_t height;
    const uint8_t* pixels;
};

struct AppInfo {
    void* instance = nullptr;
    const char* title = nullptr;
    const WindowIcon* icon = nullptr;  // none: the desktop's default
};

// The pixel-format request, filled from the first DisplayConfig that reaches
// init() in this process and reused unchanged by every later init().
struct PixelFormatRequest {
    uint8_t colorBits;
    uint8_t depthBits;
    uint8_t stencilBits;
    bool doubleBuffer;
};

class GlWindow {
public:
    // A window owns its GL context: a copy would close them twice.
    GlWindow() = default;
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;
    virtual ~GlWindow() = default;

    virtual bool init(DisplayConfig& config, const AppInfo& app) = 0;
    // Kept for the interface; nothing in the program calls it.
    virtual void setOption(uint8_t value) { option = value; }  // nothing reads option
    virtual uint32_t pumpMessages() = 0;
    // The next command of the last pump; false once none is left.
    virtual bool takeViewerCommand(ViewerRequest&) { return false; }
    virtual bool swapBuffers() = 0;
    virtual bool shutdown(DisplayConfig& config, const AppInfo& app) = 0;
    // Whether glReadPixels gives the frame top row first, as a window that
    // lays its frame out so does, rather than bottom row first.
    virtual bool readsTopRowFirst() const { return false; }

    // The platform's handles, null until the stage that makes each is done.
    void* deviceContext = nullptr;  // the GL drawable (stage 4)
    void* renderContext = nullptr;  // the GL context (stage 7)
    void* window = nullptr;         // the window (stage 3)
    uint8_t option = 0;
};

// The frame of an opened window, for setFixedGlState().
constexpr FixedGlFrame fixedGlFrame(const DisplayConfig& config) {
    return FixedGlFrame{config.viewportX, config.viewportY, config.windowWidth,
                        config.windowHeight, config.modeWidth, config.modeHeight};
}

// Kind 1 gives a new window of this platform; any other kind gives null.
GlWindow* createGlWindow(int kind);

// Whether an Escape has been seen: the pump asks for the ending at the first
// press and quits at every later one. Only resetProcessState()
// (app/process_state.h) clears it, for a tool that runs the show again.
extern bool escapePressed;

// The shared pixel-format request and whether it has been filled.
extern PixelFormatRequest sharedPixelFormat;
extern bool sharedPixelFormatFilled;

// The process's pixel-format request, filled from config on the first call;
// every window asks with it.
const PixelFormatRequest& pixelFormatRequest(const DisplayConfig& config);

// The Escape protocol, the same in every window: one press answers
// PUMP_ENDING the first time, PUMP_QUIT every later time.
uint32_t pressEscape();

// The reason the platform gave for the last failure, for the caller's message.
const char* lastWindowError();
