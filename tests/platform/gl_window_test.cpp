// The window layer on SDL's offscreen driver: set-up stages, their undoing,
// and the Escape protocol with real SDL events.
#include <gtest/gtest.h>

#include <SDL.h>
#include <GL/gl.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/quit_request.h"
#include "platform/sdl/gl_window_faults.h"
#include "platform/sdl/scaled_frame.h"
#include "platform/sdl/sdl_gl_window.h"

namespace {

const AppInfo APP{nullptr, "Pelmira 15 Advert"};

std::vector<int32_t> undone() {
    int32_t order[16];
    int32_t count = undoneStages(order, 16);
    return std::vector<int32_t>(order, order + count);
}

// The stages shutdown must undo after a failure at the given stage, in order:
// the display mode first, then back to front.
std::vector<int32_t> expectedUndo(int32_t failedAt) {
    std::vector<int32_t> stages;
    if (failedAt > STAGE_DISPLAY_MODE)
        stages.push_back(STAGE_DISPLAY_MODE);
    for (int32_t stage : {STAGE_MAKE_CURRENT, STAGE_CREATE_CONTEXT, STAGE_DEVICE_CONTEXT,
                          STAGE_CREATE_WINDOW, STAGE_REGISTER_CLASS}) {
        if (failedAt > stage)
            stages.push_back(stage);
    }
    return stages;
}

class GlWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        escapePressed = false;
        takeQuitRequest();
    }
    void TearDown() override { injectSetupFailure(0); }
};

TEST_F(GlWindowTest, CompleteSetUpTakesTheFixedStateAndUndoesEveryStage) {
    DisplayConfig config;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP)) << lastWindowError();
    setFixedGlState(fixedGlFrame(config));
    EXPECT_EQ(config.status, SETUP_DONE);
    EXPECT_NE(glGetString(GL_EXTENSIONS), nullptr);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    GLint depthFunc = 0, matrixMode = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat clearDepth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clearDepth, 1.0f);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // gluPerspective(45, 4/3, 0.01f, 10): f / aspect and f = cot(22.5 deg).
    EXPECT_NEAR(projection[5], 2.41421356, 1e-5);
    EXPECT_NEAR(projection[0], 2.41421356 * 0.75, 1e-5);
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window.window);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "Pelmira 15 Advert");
    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_BORDERLESS);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());

    window.shutdown(config, APP);
    EXPECT_EQ(undone(), std::vector<int32_t>({2, 8, 7, 4, 3, 1}));
    EXPECT_EQ(window.window, nullptr);
    EXPECT_EQ(window.renderContext, nullptr);
}

TEST_F(GlWindowTest, FailureAtEachStageIsRecordedAndUndoneExactly) {
    for (int32_t stage = STAGE_REGISTER_CLASS; stage <= STAGE_MAKE_CURRENT; ++stage) {
        SCOPED_TRACE(stage);
        injectSetupFailure(stage);
        DisplayConfig config;
        SdlGlWindow window;
        EXPECT_FALSE(window.init(config, APP));
        EXPECT_EQ(config.status, stage);
        window.shutdown(config, APP);
        EXPECT_EQ(undone(), expectedUndo(stage));
        EXPECT_EQ(window.renderContext, nullptr);
        EXPECT_EQ(window.window, nullptr);
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "every stage undone";
    }
}

TEST_F(GlWindowTest, WindowedSetUpNeverTouchesTheDisplayMode) {
    DisplayConfig config;
    config.fullscreen = false;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP));
    EXPECT_FALSE(SDL_GetWindowFlags(static_cast<SDL_Window*>(window.window)) & SDL_WINDOW_FULLSCREEN);
    window.shutdown(config, APP);
    EXPECT_EQ(undone(), std::vector<int32_t>({8, 7, 4, 3, 1}));
}

// Without the mode the window fills the desktop and the frame is drawn
// offscreen at its own size, then scaled at the swap.
TEST_F(GlWindowTest, MissingDisplayModeDrawsTheFrameOffscreenAtItsOwnSize) {
    DisplayConfig config;
    config.colorBits = 16;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP)) << lastWindowError();
    const Uint32 flags = SDL_GetWindowFlags(static_cast<SDL_Window*>(window.window));
    EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP});
    GLint viewport[4], framebuffer = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    EXPECT_NE(framebuffer, 0);
    window.swapBuffers();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_NE(framebuffer, 0) << "the swap leaves the offscreen frame bound";
    window.shutdown(config, APP);
    EXPECT_EQ(undone(), std::vector<int32_t>({2, 8, 7, 4, 3, 1}));
}

TEST_F(GlWindowTest, AMonitorThatIsNotThereFailsStageTwo) {
    DisplayConfig config;
    config.displayIndex = 5;
    SdlGlWindow window;
    EXPECT_FALSE(window.init(config, APP));
    EXPECT_EQ(config.status, STAGE_DISPLAY_MODE);
    EXPECT_NE(std::string(lastWindowError()).find("no display 5"), std::string::npos) << lastWindowError();
    window.shutdown(config, APP);
    EXPECT_EQ(undone(), std::vector<int32_t>({1}));
}

TEST_F(GlWindowTest, SecondInitReusesTheFirstPixelFormatRequest) {
    DisplayConfig first;
    SdlGlWindow one;
    ASSERT_TRUE(one.init(first, APP)) << first.status << " " << lastWindowError();
    one.shutdown(first, APP);
    const PixelFormatRequest filled = sharedPixelFormat;
    ASSERT_TRUE(sharedPixelFormatFilled);

    DisplayConfig second;
    second.depthBits = 24;
    second.colorBits = 16;
    second.fullscreen = false;
    SdlGlWindow two;
    ASSERT_TRUE(two.init(second, APP));
    EXPECT_EQ(sharedPixelFormat.depthBits, filled.depthBits);
    EXPECT_EQ(sharedPixelFormat.colorBits, filled.colorBits);
    two.shutdown(second, APP);
}

void pressEscape() {
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_ESCAPE;
    key.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    SDL_PushEvent(&key);
}

TEST_F(GlWindowTest, EscapeProtocol) {
    DisplayConfig config;
    config.fullscreen = false;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP));
    window.pumpMessages();

    pressEscape();
    EXPECT_EQ(window.pumpMessages(), PUMP_ENDING) << "the first press asks for the ending";
    EXPECT_TRUE(escapePressed);
    pressEscape();
    EXPECT_EQ(window.pumpMessages(), PUMP_QUIT) << "every later press quits";
    pressEscape();
    EXPECT_EQ(window.pumpMessages(), PUMP_QUIT);
    EXPECT_EQ(window.pumpMessages(), 0u) << "the pump never waits and reports once";
    window.shutdown(config, APP);
}

// A held key's repeats give its command again, except Space's and Home's.
TEST_F(GlWindowTest, ViewerKeysGiveTheirCommandsAndHeldOnlyTheMovesRepeat) {
    DisplayConfig config;
    config.fullscreen = false;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP));
    window.pumpMessages();
    for (auto [key, repeat] : {std::pair{SDLK_SPACE, 0}, {SDLK_SPACE, 1}, {SDLK_HOME, 1}, {SDLK_RIGHT, 1},
                               {SDLK_PERIOD, 1}, {SDLK_a, 0}, {SDLK_PAGEUP, 0}}) {
        SDL_Event event = {};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = key;
        event.key.repeat = static_cast<Uint8>(repeat);
        SDL_PushEvent(&event);
    }
    EXPECT_EQ(window.pumpMessages(), 0u);
    std::vector<ViewerCommand> taken;
    for (ViewerRequest request; window.takeViewerCommand(request);)
        taken.push_back(request.command);
    EXPECT_EQ(taken, std::vector<ViewerCommand>({ViewerCommand::TOGGLE_PAUSE, ViewerCommand::FORWARD_SHORT,
                                                 ViewerCommand::STEP_FORWARD, ViewerCommand::BACK_LONG}));
    window.shutdown(config, APP);
}

TEST_F(GlWindowTest, QuitAndEndingDrainedTogetherGiveThree) {
    DisplayConfig config;
    config.fullscreen = false;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP));
    window.pumpMessages();
    pressEscape();
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_EQ(window.pumpMessages(), PUMP_QUIT | PUMP_ENDING);
    window.shutdown(config, APP);
}

TEST_F(GlWindowTest, ClosingTheWindowPostsAQuitAndKeepsTheWindow) {
    DisplayConfig config;
    config.fullscreen = false;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP));
    window.pumpMessages();
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window.window));
    SDL_PushEvent(&close);
    EXPECT_EQ(window.pumpMessages(), PUMP_QUIT);
    EXPECT_NE(window.window, nullptr);
    window.shutdown(config, APP);
}

TEST_F(GlWindowTest, PostedQuitRequestReachesThePump) {
    DisplayConfig config;
    config.fullscreen = false;
    SdlGlWindow window;
    ASSERT_TRUE(window.init(config, APP));
    postQuitRequest();
    EXPECT_EQ(window.pumpMessages() & PUMP_QUIT, PUMP_QUIT);
    EXPECT_EQ(window.pumpMessages(), 0u);
    window.shutdown(config, APP);
}

TEST(Factory, OnlyKindOneMakesAWindow) {
    GlWindow* window = createGlWindow(1);
    ASSERT_NE(window, nullptr);
    EXPECT_NE(dynamic_cast<SdlGlWindow*>(window), nullptr);
    EXPECT_EQ(window->window, nullptr);
    delete window;
    EXPECT_EQ(createGlWindow(0), nullptr);
    EXPECT_EQ(createGlWindow(2), nullptr);
}

}  // namespace

namespace {

// The frame keeps its shape on every drawable: bars on the long sides only,
// centred, never a pixel outside the drawable.
TEST(FitFrame, TheLargestCentredRectangleOfTheFramesShape) {
    struct Case {
        int width, height;
        FrameRect expected;
    };
    const Case cases[] = {
        {1024, 768, {0, 0, 1024, 768}},     // the frame's own size
        {1920, 1080, {240, 0, 1440, 1080}}, // wider: bars left and right
        {1280, 1024, {0, 32, 1280, 960}},   // taller: bars above and below
        {1366, 768, {171, 0, 1024, 768}},   // an odd margin rounds down on the left
        {800, 600, {0, 0, 800, 600}},       // smaller, same shape
        {2880, 1800, {240, 0, 2400, 1800}}, // a HiDPI drawable
    };
    for (const Case& c : cases) {
        const FrameRect rect = fitFrame(1024, 768, c.width, c.height);
        EXPECT_EQ(rect.x, c.expected.x) << c.width << "x" << c.height;
        EXPECT_EQ(rect.y, c.expected.y) << c.width << "x" << c.height;
        EXPECT_EQ(rect.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(rect.height, c.expected.height) << c.width << "x" << c.height;
    }
}

}  // namespace
