#include <gtest/gtest.h>

#include <deque>

#include "platform/gl_window.h"
#include "tests/support/scripted_player.h"
#include "tests/timeline/fake_scenes.h"
#include "timeline/main_loop.h"

namespace {

// A window that swaps nothing and answers scripted request bits and viewer
// commands, one entry of each per pump.
class ScriptedWindow : public GlWindow {
public:
    std::deque<uint32_t> bits;
    std::deque<std::vector<ViewerRequest>> commands;
    int swaps = 0;
    int pumps = 0;
    bool init(DisplayConfig&, const AppInfo&) override { return true; }
    bool shutdown(DisplayConfig&, const AppInfo&) override { return true; }
    bool swapBuffers() override {
        ++swaps;
        return true;
    }
    bool takeViewerCommand(ViewerRequest& request) override { return pumped_.take(request); }
    uint32_t pumpMessages() override {
        ++pumps;
        pumped_.clear();
        if (!commands.empty()) {
            for (ViewerRequest request : commands.front())
                pumped_.push(request);
            commands.pop_front();
        }
        if (bits.empty())
            return 0;
        uint32_t next = bits.front();
        bits.pop_front();
        return next;
    }

private:
    ViewerCommandQueue pumped_;
};


class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override { resetTimeline(); }
    void TearDown() override { resetTimeline(); }
    void run() { runMainLoop(window, player, FAKE_FACTORY); }
    ScriptedWindow window;
    ScriptedPlayer player;
};

TEST_F(MainLoopTest, RunsUntilTheFrameAtTheShowsEnd) {
    // t0, then one time per frame.
    player.times = {0, 0, 100, 172999, SHOW_END_MS, 174000};
    run();
    EXPECT_EQ(window.swaps, 4) << "the frame that reaches 173000 is still drawn";
    EXPECT_EQ(sceneCalls().back().what, "destroy");
}

TEST_F(MainLoopTest, StartAtOrPastTheEndOnlyBuildsAndDestroys) {
    player.times = {SHOW_END_MS};
    run();
    EXPECT_EQ(window.swaps, 0);
    int inits = 0, destroys = 0, renders = 0;
    for (const SceneCall& call : sceneCalls()) {
        inits += call.what == "init";
        destroys += call.what == "destroy";
        renders += call.what == "render";
    }
    EXPECT_EQ(inits, SCENE_SLOT_COUNT);
    EXPECT_EQ(destroys, SCENE_SLOT_COUNT);
    EXPECT_EQ(renders, 0);
}

TEST_F(MainLoopTest, QuitEndsTheLoopBeforeTheNextFrame) {
    player.times = {0, 10, 20, 30, 40};
    window.bits = {0, PUMP_QUIT};
    run();
    EXPECT_EQ(window.swaps, 2);
}

TEST_F(MainLoopTest, EscapeDuringTheTitleKeepsTheEndingLast) {
    // The request is seen in the frame at 5000; the fade runs (5000, 7500],
    // the logo (7500, 21500].
    player.times = {0, 0, 5000, 6000, 12000, 12016, 13000};
    window.bits = {0, PUMP_ENDING, 0, 0, 0, PUMP_QUIT};
    run();
    EXPECT_EQ(sceneTimeline.sceneSlots, nullptr);
    // Order of rendering in the last frame (13000): the five flagged rows in
    // front, the title (its window over) skipped, the logo last.
    std::vector<uint32_t> lastFrame;
    for (auto it = sceneCalls().rbegin(); it != sceneCalls().rend(); ++it) {
        if (it->what == "destroy")
            continue;
        if (it->what != "render")
            break;
        lastFrame.insert(lastFrame.begin(), it->type);
        if (lastFrame.size() == 6)
            break;
    }
    EXPECT_EQ(lastFrame, std::vector<uint32_t>({4, 1, 5, 9, 3, LOGO_TYPE}));
}

TEST_F(MainLoopTest, EndingScenesAreRetimedFromTheRequest) {
    player.times = {0, 0, 60000, 61250, 62500, 62501, 75799};
    window.bits = {0, PUMP_ENDING, 0, 0, 0, PUMP_QUIT};
    run();
    std::vector<SceneCall> fade, logo;
    for (const SceneCall& call : sceneCalls()) {
        if (call.what != "render")
            continue;
        if (call.type == FAKE_FADE_TYPE)
            fade.push_back(call);
        if (call.type == LOGO_TYPE)
            logo.push_back(call);
    }
    ASSERT_EQ(fade.size(), 2u);
    EXPECT_FLOAT_EQ(fade[0].progress, 0.5f);
    EXPECT_FLOAT_EQ(fade[1].progress, 1.0f);
    ASSERT_EQ(logo.size(), 2u);
    EXPECT_FLOAT_EQ(logo[0].progress, 1.0f / 14000.0f);
    EXPECT_FLOAT_EQ(logo[1].progress, 13299.0f / 14000.0f);
}

// The logo asks to quit in its last 700 ms; a machine too slow to draw a
// frame there still ends with the ending, not at the show's end, and draws
// nothing the ending no longer covers.
TEST_F(MainLoopTest, AFrameAfterTheLogosWindowEndsTheLoopUndrawn) {
    player.times = {0, 0, 60000, 75700, 76600, SHOW_END_MS};
    window.bits = {0, PUMP_ENDING};
    run();
    EXPECT_EQ(window.swaps, 3);
}

TEST_F(MainLoopTest, QuitAndEndingInOnePumpStillRetimeTheEnding) {
    player.times = {0, 0, 100};
    window.bits = {0, PUMP_QUIT | PUMP_ENDING};
    run();
    EXPECT_EQ(window.swaps, 2) << "no frame after the quit";
    std::vector<uint32_t> endingStarts;
    for (const SceneCall& call : sceneCalls()) {
        if (call.what == "destroy" && (call.type == FAKE_FADE_TYPE || call.type == LOGO_TYPE))
            endingStarts.push_back(call.start);
    }
    EXPECT_EQ(endingStarts, std::vector<uint32_t>({100, 2600}));
}

// A host that owns the loop calls one frame at a time; once the loop says
// stop, a further call draws nothing.
TEST_F(MainLoopTest, AHostStepsFrameByFrameAndNothingIsDrawnAfterTheLast) {
    player.times = {0, 0, 10, 20};
    window.bits = {0, 0, PUMP_QUIT};
    MainLoop loop(window, player, FAKE_FACTORY);
    loop.begin();
    EXPECT_TRUE(loop.frame());
    EXPECT_TRUE(loop.frame());
    EXPECT_EQ(window.swaps, 2);
    EXPECT_FALSE(loop.frame());
    EXPECT_FALSE(loop.frame());
    EXPECT_EQ(window.swaps, 3);
    EXPECT_EQ(window.pumps, 3);
    loop.end();
    EXPECT_EQ(sceneTimeline.sceneSlots, nullptr);
}

// The logo's quit flag is the loop's own: raised during a frame's render, it
// ends the loop after that frame's pump, as a PUMP_QUIT would.
Scene* quittingOfType(uint32_t type, const ShowLinks& links) {
    class RaisesQuit : public FakeScene {
    public:
        RaisesQuit(uint32_t kind, bool& quitRequested) : FakeScene(kind), quitRequested_(quitRequested) {}
        void render(float progress, float step) override {
            FakeScene::render(progress, step);
            quitRequested_ = true;
        }

    private:
        bool& quitRequested_;
    };
    if (type == TITLE_TYPE)
        return new RaisesQuit(type, links.quitRequested);
    return fakeOfType(type, links);
}

TEST_F(MainLoopTest, AQuitRaisedByASceneEndsTheLoopAfterThatFrame) {
    player.times = {0, 0, 10, 20, 30};
    const SceneFactory quitting{quittingOfType, fakeFade};
    runMainLoop(window, player, quitting);
    EXPECT_EQ(renderedTypes(sceneCalls()), std::vector<uint32_t>({TITLE_TYPE}));
    EXPECT_EQ(window.swaps, 2) << "the title first renders in the second frame";
}

// The player's moves, PAUSE_TOGGLED for a pause, as the loop asked for them.
TEST_F(MainLoopTest, StepsNeedAPauseAndOnceTheEndingBeganOnlyThePauseIsObeyed) {
    using C = ViewerCommand;
    constexpr uint32_t P = ScriptedPlayer::PAUSE_TOGGLED;
    player.times = {0, 0, 20000, 20000, 20000, 20000, 20000, 20000};
    window.commands = {{C::FORWARD_SHORT},  // the first frame's pump: dropped
                       {C::STEP_FORWARD, C::FORWARD_SHORT, C::BACK_LONG, C::TO_START, seekTo(5)},
                       {C::TOGGLE_PAUSE, C::STEP_FORWARD, C::STEP_BACK, C::STEP_BACK, C::TO_START, seekTo(5),
                        seekTo(90000), seekTo(SHOW_END_MS)},
                       {C::FORWARD_LONG, C::FORWARD_LONG, C::FORWARD_LONG, C::FORWARD_LONG, C::FORWARD_LONG,
                        C::FORWARD_LONG, C::FORWARD_LONG},
                       {C::TOGGLE_PAUSE, C::STEP_FORWARD, C::FORWARD_SHORT, C::TO_START, C::TOGGLE_PAUSE}};
    window.bits = {0, 0, 0, 0, PUMP_ENDING, PUMP_QUIT};
    run();
    EXPECT_EQ(player.moves, std::vector<uint32_t>({25000, 0, 0, 5,          // 20000 + 5000 - 30000, clamped
                                                   P, 20016, 20000, 19983,  // steps on the 60 fps frames
                                                   16, 16, 90000, 172999,   // paused: 0 and 5 show 16's picture
                                                   50000, 80000, 110000, 140000, 170000, 172999, 172999,
                                                   P, P, P}));  // the Escape resumes; two pauses
}

// Paused on 11500 ms, where the title's last frame and the pushed scenes'
// activation meet: each paused frame draws what the first did.
TEST_F(MainLoopTest, PausedFramesStandStillAndAnEscapeWhilePausedResumes) {
    constexpr uint32_t P = ScriptedPlayer::PAUSE_TOGGLED;
    player.times = {0, 0, 10, 11500};
    window.commands = {{}, {ViewerCommand::TOGGLE_PAUSE}};
    window.bits = {0, 0, 0, 0, PUMP_ENDING, PUMP_QUIT};
    run();
    const std::vector<uint32_t> rendered = renderedTypes(sceneCalls());
    ASSERT_GE(rendered.size(), 4u);
    EXPECT_EQ(std::vector<uint32_t>(rendered.begin(), rendered.begin() + 4),
              std::vector<uint32_t>(4, TITLE_TYPE))
        << "the frame at 10 ms and three paused frames at 11500 ms";
    EXPECT_EQ(player.moves, std::vector<uint32_t>({P, P})) << "the Escape resumed the music for the fade";
}

}  // namespace
