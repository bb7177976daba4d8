#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "app/process_state.h"
#include "audio/sound_system.h"
#include "audio/volume.h"
#include "platform/gl_window.h"
#include "platform/quit_request.h"
#include "scenes/glow_sprite_scene.h"
#include "tests/timeline/fake_scenes.h"

namespace {

// The product's libraries, as the build made them (tests/app/CMakeLists.txt).
const char* const PRODUCT_LIBRARIES[] = {PRODUCT_LIBRARY_FILES};

// Every variable the product's code may change, by name. Each is either put
// back by resetProcessState() or kept for the life of the process, with why.
const std::map<std::string, const char*> WRITABLE_GLOBALS = {
    {"escapePressed", "reset"},
    {"sharedPixelFormat", "reset"},
    {"sharedPixelFormatFilled", "reset"},
    {"sceneTimeline", "reset"},
    {"particles", "reset"},
    {"(anonymous namespace)::front", "reset: its master volume; each run's soundInit() and soundShutdown() the rest"},
    {"(anonymous namespace)::quitPosted", "reset"},
    {"(anonymous namespace)::quitSignalled", "kept: a quit signal ends every later run too"},
    {"(anonymous namespace)::wakePipe", "kept: the quit request's pipe, made once for the process"},
    {"(anonymous namespace)::endingEventType", "kept: SDL registers the ending's event once per process"},
    {"(anonymous namespace)::gl", "kept: the framebuffer entry points, the same for every context"},
    {"(anonymous namespace)::injectedFailure", "kept: the window tests' failure seam, set by each test"},
    {"(anonymous namespace)::undoLog", "kept: what the last shutdown undid, read by the window tests"},
    {"(anonymous namespace)::undoLogLength", "kept: what the last shutdown undid, read by the window tests"},
    {"(anonymous namespace)::guardedProcess", "kept: the X11 guard, installed once per process"},
    {"(anonymous namespace)::watcherDisplay", "kept: the X11 guard's own connection"},
    {"sound_internal::output", "kept: the output, opened and closed by each run's sound set-up"},
    {"sound_internal::(anonymous namespace)::audioSubsystem", "kept: SDL's audio, started and quit by each run"},
    {"sound_internal::(anonymous namespace)::setCallbacks", "kept: libmpg123's reader, set once per process"},
    {"sound_internal::(anonymous namespace)::lastError", "kept: each failing call sets it"},
    {"sound_internal::(anonymous namespace)::nextStart", "kept: the device of the next start, SDL's after each"},
    {"sound_internal::quietDriverMessages()::alsa", "kept: ALSA's message handler, set once per process"},
};

constexpr size_t LINE_BYTES = 1024;

// The writable variables a library defines: objects in .bss or .data (not
// the read-only-after-relocation .data.rel.ro), without the compiler's own
// (AddressSanitizer adds an __odr_asan. twin for each global).
bool addWritableGlobals(const char* library, std::set<std::string>& names) {
    const std::string command = std::string(NM_PROGRAM) + " -C -f sysv --defined-only '" + library + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    char line[LINE_BYTES];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        // name|value|class|type|size|line|section
        std::string fields[7];
        std::string text(line);
        size_t start = 0;
        for (std::string& field : fields) {
            const size_t bar = text.find('|', start);
            field = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            field.erase(field.find_last_not_of(" \n") + 1);
            field.erase(0, field.find_first_not_of(' '));
            start = bar == std::string::npos ? text.size() : bar + 1;
        }
        const std::string& name = fields[0];
        const std::string& section = fields[6];
        const bool writable = (section.rfind(".bss", 0) == 0 || section.rfind(".data", 0) == 0) &&
                              section.rfind(".data.rel.ro", 0) != 0;
        const bool compilers = name.rfind("DW.ref.", 0) == 0 || name.rfind("guard variable", 0) == 0 ||
                               name.rfind("__odr_asan.", 0) == 0;
        if (fields[3] == "OBJECT" && writable && !compilers)
            names.insert(name);
    }
    return pclose(pipe) == 0;
}

// A variable added to the product is either put back between runs or kept on
// purpose: a tool running the show twice would otherwise carry it over.
TEST(ProcessState, EveryWritableGlobalIsResetOrKeptOnPurpose) {
    std::set<std::string> defined;
    for (const char* library : PRODUCT_LIBRARIES)
        ASSERT_TRUE(addWritableGlobals(library, defined)) << library;
    for (const std::string& name : defined)
        EXPECT_EQ(WRITABLE_GLOBALS.count(name), 1u) << name << ": reset it in resetProcessState() or list why not";
    for (const auto& [name, why] : WRITABLE_GLOBALS)
        EXPECT_EQ(defined.count(name), 1u) << name << " is listed but no longer defined";
}

TEST(ProcessState, ResetLeavesEveryValueAsAtProcessStart) {
    escapePressed = true;
    sharedPixelFormat = PixelFormatRequest{24, 16, 8, true};
    sharedPixelFormatFilled = true;
    // A scene the test owns: the reset must forget it, not destroy it.
    FakeScene scene(1);
    Scene* slots[SCENE_SLOT_COUNT] = {&scene};
    sceneTimeline.sceneSlots = slots;
    sceneTimeline.activeList = &scene;
    sceneTimeline.activationCursor = 3;
    sceneTimeline.previousFrameTime = 41000;
    particles[0].words[0] = 1;
    particles[GLOW_PARTICLE_COUNT / 2].words[5] = 2;  // a word clearParticles() keeps
    particles[GLOW_PARTICLE_COUNT - 1].words[9] = 3;
    soundSetMasterVolume(40);
    postQuitRequest();

    resetProcessState();

    EXPECT_FALSE(escapePressed);
    EXPECT_FALSE(sharedPixelFormatFilled);
    EXPECT_EQ(sharedPixelFormat.colorBits, 0);
    EXPECT_EQ(sharedPixelFormat.depthBits, 0);
    EXPECT_EQ(sharedPixelFormat.stencilBits, 0);
    EXPECT_FALSE(sharedPixelFormat.doubleBuffer);
    EXPECT_EQ(sceneTimeline.sceneSlots, nullptr);
    EXPECT_EQ(sceneTimeline.activeList, nullptr);
    EXPECT_EQ(sceneTimeline.activationCursor, 0);
    EXPECT_EQ(sceneTimeline.previousFrameTime, 0u);
    EXPECT_TRUE(sceneCalls().empty()) << "the reset destroyed a scene";
    for (int i = 0; i < GLOW_PARTICLE_COUNT; ++i) {
        for (uint32_t word : particles[i].words)
            ASSERT_EQ(word, 0u) << "record " << i;
    }
    EXPECT_EQ(soundMasterVolume(), FULL_VOLUME);
    EXPECT_FALSE(takeQuitRequest());
}

}  // namespace
