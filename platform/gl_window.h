// The window layer: one window, borderless and fullscreen unless asked
// otherwise, with an OpenGL compatibility context, the fixed projection every scene relies on, the
// message pump and the Escape protocol.
//
// What the rest of the program may rely on:
//   - createGlWindow(1) gives a GlWindow; init() opens it stage by stage and
//     records a failed stage in DisplayConfig::status; shutdown() undoes
//     exactly the stages that were done, the display mode first.
//   - After a complete init the context is current on the calling thread and
//     the fixed GL state of setFixedGlState() is in force.
//   - Every frame is drawn at windowWidth x windowHeight with the same pixel
//     values, whatever the screen: where the display offers the requested
//     mode, fullscreen switches to it; elsewhere (another size or colour
//     depth, Wayland, a HiDPI drawable) the window fills the desktop and each
//     frame is presented scaled into the largest centred rectangle of its
//     shape (platform/scaled_frame.h). Stage 2 fails only when neither works.
//   - init() fails at stage 1 when SDL would fall back to a driver without a
//     display (offscreen, dummy) that SDL_VIDEODRIVER did not ask for.
//   - Not fullscreen, the window is framed and centred on its display, so the
//     desktop can move and close it.
//   - pumpMessages() never waits and returns PUMP_QUIT and PUMP_ENDING bits.
#pragma once

#include <cstdint>

#include "platform/frame_size.h"
#include "platform/scaled_frame.h"

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
    int32_t displayIndex = 0;  // the monitor to use, from 0 (SDL's primary)
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
    // It owns the window and the GL context: a copy would close them twice.
    GlWindow() = default;
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;
    virtual ~GlWindow() = default;

    virtual bool init(DisplayConfig& config, const AppInfo& app);
    virtual uint32_t pumpMessages();
    virtual bool swapBuffers();
    virtual bool shutdown(DisplayConfig& config, const AppInfo& app);

    // Kept for the interface; nothing in the program calls it.
    virtual void setOption(uint8_t value);  // stores value in option, which nothing reads

    void* deviceContext = nullptr;  // the GL drawable (the SDL window) once stage 4 is done
    void* renderContext = nullptr;  // the SDL_GLContext once stage 7 is done
    void* window = nullptr;         // the SDL_Window once stage 3 is done
    uint8_t option = 0;

private:
    // Undoes the stages below status down to lowest, in shutdown()'s order.
    void undoStages(const DisplayConfig& config, int32_t status, int32_t lowest);

    ScaledFrame scaledFrame_;  // active when frames are presented scaled
};

// Kind 1 gives a new GlWindow; any other kind gives null.
GlWindow* createGlWindow(int kind);

// Set by the first Escape press of the process and never cleared.
extern bool escapePressed;

// The shared pixel-format request and whether it has been filled.
extern PixelFormatRequest sharedPixelFormat;
extern bool sharedPixelFormatFilled;

// The fixed OpenGL state and projection of a complete set-up (viewport,
// clear values, depth function, perspective); init() applies it after the
// context is current. Exposed so that offscreen contexts get the same state.
void setFixedGlState(const DisplayConfig& config);

// The reason SDL gave for the last failure, for the caller's message.
const char* lastWindowError();
