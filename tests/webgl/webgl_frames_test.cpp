// The show's own scenes drawn through the GL subset over OpenGL ES
// (gfx/es) on a native GLES 3 context, held to the frames the
// recorder draws with the desktop driver at the same music times: every
// scene, and the fade and the logo after an Escape. Both run on Mesa's
// llvmpipe, as the browser's WebGL does here.
#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/capture/frame_sink.h"
#include "app/capture/recording.h"
#include "app/run_sequence.h"
#include "gfx/gl_subset.h"
#include "gfx/es/webgl_backend.h"
#include "tests/pictures/png_read_back.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_folder.h"

namespace {

const std::string DATA = DATA_DIR;
const std::string PROJECT = DATA.substr(0, DATA.rfind('/'));

constexpr int CHANNEL_TOLERANCE = 2;    // levels, for nearly every pixel
constexpr double SHARE_WITHIN = 0.999;  // of a frame's pixels
constexpr int LARGEST_DIFFERENCE = 8;   // levels, for the rest
constexpr int RECORDER_TIMEOUT_MS = 120000;

struct Schedule {
    const char* name;
    uint32_t fromMs;
    uint32_t toMs;
    FrameRate rate;
    bool escape;
    uint32_t escapeAtMs;
};

// Every 7 s from the title's first second: title, background, the sphere's
// half of the mesh window and the tube's, the slides and the credits. Then an
// Escape at 60 s: the fade over the meshes and the logo fading in and shown.
const Schedule SCHEDULES[] = {
    {"show", 1000, 65000, {1, 7}, false, 0},
    {"ending", 61000, 71000, {1, 3}, true, 60000},
};

RecordingPlan planOf(const Schedule& schedule) {
    RecordingPlan plan;
    plan.schedule.fromMs = schedule.fromMs;
    plan.schedule.rate = schedule.rate;
    plan.schedule.frameCount = frameCountBetween(schedule.fromMs, schedule.toMs, schedule.rate);
    plan.schedule.frameCount = framesUntilShowEnds(plan.schedule, schedule.escape, schedule.escapeAtMs);
    plan.escape = schedule.escape;
    plan.escapeAtMs = schedule.escapeAtMs;
    plan.withAudio = false;
    return plan;
}

// A GLES 3 context on Mesa without a display, with a 1024 x 768 pbuffer
// like the drawing buffer Chromium's WebGL 2 has on Mesa (8-bit RGBA, 24
// depth bits); the backend draws into a frame of its own and reads that.
// Made once and kept current to the end of the process.
class EsContext {
public:
    static EsContext& shared() {
        static EsContext context;
        return context;
    }
    bool ok() const { return error_ == nullptr; }
    const char* error() const { return error_; }

private:
    EsContext() : error_(open()) {}

    // Null once the context is current, else what failed.
    const char* open() {
        const auto platformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (platformDisplay == nullptr)
            return "no eglGetPlatformDisplayEXT";
        display_ = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr) ||
            !eglBindAPI(EGL_OPENGL_ES_API))
            return "no surfaceless EGL display for OpenGL ES";
        const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES3_BIT,
                                 EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                 EGL_BLUE_SIZE,    8,               EGL_DEPTH_SIZE,      24,
                                 EGL_NONE};
        EGLConfig configs[64];
        EGLint count = 0;
        eglChooseConfig(display_, wanted, configs, 64, &count);
        EGLConfig chosen = nullptr;
        for (EGLint i = 0; i < count && chosen == nullptr; ++i) {
            EGLint alpha = -1, depth = -1;
            eglGetConfigAttrib(display_, configs[i], EGL_ALPHA_SIZE, &alpha);
            eglGetConfigAttrib(display_, configs[i], EGL_DEPTH_SIZE, &depth);
            if (alpha == 8 && depth == 24)
                chosen = configs[i];
        }
        if (chosen == nullptr)
            return "no 8-bit RGBA pbuffer configuration with 24 depth bits";
        const EGLint size[] = {EGL_WIDTH, FRAME_WIDTH, EGL_HEIGHT, FRAME_HEIGHT, EGL_NONE};
        surface_ = eglCreatePbufferSurface(display_, chosen, size);
        const EGLint version[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
        context_ = eglCreateContext(display_, chosen, EGL_NO_CONTEXT, version);
        if (surface_ == EGL_NO_SURFACE || context_ == EGL_NO_CONTEXT ||
            !eglMakeCurrent(display_, surface_, surface_, context_))
            return "no OpenGL ES 3 context";
        return nullptr;
    }

    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLSurface surface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
    const char* error_;
};

// The shared ES context and the backend as a recording's screen: the
// recorder's own window (app/capture/capture_window.h) wraps it.
class EsWindow : public GlWindow {
public:
    bool init(DisplayConfig& config, const AppInfo&) override {
        if (!EsContext::shared().ok() || !startWebGlBackend()) {
            config.status = STAGE_CREATE_CONTEXT;
            return false;
        }
        config.status = SETUP_DONE;
        return true;
    }
    uint32_t pumpMessages() override { return 0; }
    bool swapBuffers() override { return true; }
    bool shutdown(DisplayConfig&, const AppInfo&) override {
        stopWebGlBackend();
        return true;
    }
};

GlWindow* createEsWindow() { return new EsWindow(); }

const RecordingScreen ES_SCREEN = {createEsWindow, "webgl_frames_test"};

// Keeps every frame, top row first.
class KeptFrames : public FrameSink {
public:
    bool open() override { return true; }
    bool writeFrame(const CapturedFrame& frame) override {
        frames.emplace_back(frame.rgb, frame.rgb + FRAME_BYTES);
        times.push_back(frame.timeMs);
        return true;
    }
    bool finish() override { return true; }
    std::string abandon() override { return ""; }

    std::vector<std::vector<uint8_t>> frames;
    std::vector<uint32_t> times;
};

// The show recorded in this process through the backend.
bool recordThroughBackend(const RecordingPlan& plan, KeptFrames& kept) {
    return record(plan, kept, nullptr, ES_SCREEN) == 0 && kept.frames.size() == plan.schedule.frameCount;
}

// The recorder's frames of the schedule, as PNG files in folder.
bool recordWithRecorder(const Schedule& schedule, const std::string& folder, std::string& error) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%u/%u", schedule.rate.frames, schedule.rate.seconds);
    std::vector<std::string> args = {"--fps", rate, "--from", std::to_string(schedule.fromMs),
                                     "--to",  std::to_string(schedule.toMs)};
    if (schedule.escape) {
        args.push_back("--escape-at");
        args.push_back(std::to_string(schedule.escapeAtMs));
    }
    args.push_back(folder + "/");
    ChildProcess recorder(CAPTURE_BINARY, args, {}, PROJECT);
    if (!recorder.waitFor(RECORDER_TIMEOUT_MS) || recorder.status() != 0) {
        error = recorder.errorOutput();
        return false;
    }
    return true;
}

struct Difference {
    double shareWithin = 0.0;  // of the pixels, every channel within CHANNEL_TOLERANCE
    int largest = 0;
};

Difference compare(const std::vector<uint8_t>& ours, const ReadBackPng& theirs) {
    Difference difference;
    long within = 0;
    for (size_t pixel = 0; pixel < size_t{FRAME_WIDTH} * FRAME_HEIGHT; ++pixel) {
        int most = 0;
        for (int channel = 0; channel < FRAME_CHANNELS; ++channel) {
            const size_t i = pixel * FRAME_CHANNELS + channel;
            most = std::max(most, std::abs(int{ours[i]} - int{theirs.rows[i]}));
        }
        within += most <= CHANNEL_TOLERANCE ? 1 : 0;
        difference.largest = std::max(difference.largest, most);
    }
    difference.shareWithin = static_cast<double>(within) / (double{FRAME_WIDTH} * FRAME_HEIGHT);
    return difference;
}

// Our frame beside the recorder's, for a look at a frame that failed.
void writePpm(const std::string& path, const std::vector<uint8_t>& rgb) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", FRAME_WIDTH, FRAME_HEIGHT);
    std::fwrite(rgb.data(), 1, rgb.size(), file);
    std::fclose(file);
}

TEST(WebGlBackend, DrawsTheShowAsTheDesktopDriverDoes) {
    ASSERT_EQ(chdir(PROJECT.c_str()), 0) << PROJECT;
    ASSERT_TRUE(EsContext::shared().ok()) << EsContext::shared().error();
    const std::string scratch = makeScratchFolder("webgl-frames");
    ASSERT_FALSE(scratch.empty());
    for (const Schedule& schedule : SCHEDULES) {
        const std::string folder = scratch + "/" + schedule.name;
        std::string error;
        ASSERT_TRUE(recordWithRecorder(schedule, folder, error)) << error;
        const RecordingPlan plan = planOf(schedule);
        KeptFrames kept;
        ASSERT_TRUE(recordThroughBackend(plan, kept)) << lastWebGlBackendError();
        for (size_t n = 0; n < kept.frames.size(); ++n) {
            char name[32], ours[32];
            std::snprintf(name, sizeof name, "/frame_%06zu.png", n);
            std::snprintf(ours, sizeof ours, "/ours_%06zu.ppm", n);
            ReadBackPng reference;
            ASSERT_TRUE(readBackPng(folder + name, &reference, &error)) << error;
            ASSERT_EQ(reference.rowBytes * reference.height, FRAME_BYTES) << folder + name;
            const Difference difference = compare(kept.frames[n], reference);
            std::printf("%-6s %6u ms: %7.3f %% of pixels within %d, largest difference %d\n", schedule.name,
                        kept.times[n], 100.0 * difference.shareWithin, CHANNEL_TOLERANCE, difference.largest);
            const bool close = difference.shareWithin >= SHARE_WITHIN && difference.largest <= LARGEST_DIFFERENCE;
            EXPECT_TRUE(close) << schedule.name << " at " << kept.times[n] << " ms: ours in " << folder << ours;
            if (!close)
                writePpm(folder + ours, kept.frames[n]);
        }
    }
    // What failed stays for a look.
    if (!HasFailure())
        std::system(("rm -rf '" + scratch + "'").c_str());
}

// What the frames do not reach: rows of a width the pack alignment pads, a
// proxy too large for the context, the extension string and the lookups.
TEST(WebGlBackend, AnswersQueriesAsOpenGl11) {
    ASSERT_TRUE(EsContext::shared().ok()) << EsContext::shared().error();
    ASSERT_TRUE(startWebGlBackend()) << lastWebGlBackendError();
    glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(1, 0, 1, 1);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    constexpr uint8_t UNTOUCHED = 0x5a;
    // 3 pixels of 3 bytes, padded to 12 bytes a row.
    uint8_t rows[2 * 12];
    std::memset(rows, UNTOUCHED, sizeof rows);
    glReadPixels(0, 0, 3, 2, GL_RGB, GL_UNSIGNED_BYTE, rows);
    const uint8_t expected[2 * 12] = {255, 0, 0, 0, 0, 255, 255, 0, 0, UNTOUCHED, UNTOUCHED, UNTOUCHED,
                                      255, 0, 0, 255, 0, 0, 255, 0, 0, UNTOUCHED, UNTOUCHED, UNTOUCHED};
    EXPECT_EQ(std::memcmp(rows, expected, sizeof rows), 0);

    GLint largest = 0, width = -1;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, largest, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, largest);
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, 1, largest + 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0);

    EXPECT_TRUE(hasExtension("GL_ARB_multitexture", reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS))));
    EXPECT_TRUE(hasExtension("GL_EXT_texture_env_combine",
                             reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS))));
    for (const char* name : GL_SUBSET_LOOKUPS)
        EXPECT_NE(glProcAddress(name), nullptr) << name;
    EXPECT_EQ(glProcAddress("glBegin"), nullptr);
    stopWebGlBackend();
}

}  // namespace
