#include <gtest/gtest.h>

#include "tests/support/scripted_player.h"
#include "tests/timeline/fake_scenes.h"

namespace {

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetTimeline();
        buildScenes(FAKE_FACTORY, unusedShowLinks());
    }
    void TearDown() override {
        destroyScenes();
        resetTimeline();
    }
    // Renders a frame and answers what it rendered.
    std::vector<SceneCall> frame(uint32_t now) {
        sceneCalls().clear();
        renderFrame(now);
        return sceneCalls();
    }
};

TEST_F(TimelineTest, BuildsEverySlotWithTimingAndInitsInOrder) {
    const std::vector<uint32_t> initOrder = {7, 3, 9, 5, 1, 4, FAKE_FADE_TYPE, LOGO_TYPE};
    std::vector<uint32_t> inits;
    for (const SceneCall& call : sceneCalls())
        inits.push_back(call.type);
    // The fake records its kind; the ending scenes' type field is ENDING_TYPE.
    EXPECT_EQ(inits, initOrder);

    Scene** slots = sceneTimeline.sceneSlots;
    EXPECT_EQ(slots[1]->start, 11500u);
    EXPECT_EQ(slots[1]->duration, 59500u);
    EXPECT_EQ(slots[1]->flags, SCENE_KEEP_RUNNING);
    EXPECT_EQ(slots[0]->flags, 0u);
    EXPECT_EQ(slots[FADE_SLOT]->start, 0u);
    EXPECT_EQ(slots[FADE_SLOT]->duration, 2500u);
    EXPECT_EQ(slots[FADE_SLOT]->type, ENDING_TYPE);
    EXPECT_EQ(slots[LOGO_SLOT]->start, 2500u);
    EXPECT_EQ(slots[LOGO_SLOT]->duration, 14000u);
    EXPECT_EQ(slots[LOGO_SLOT]->type, ENDING_TYPE);
    for (int slot = 0; slot < SCENE_SLOT_COUNT; ++slot) {
        EXPECT_EQ(slots[slot]->next, nullptr);
        EXPECT_FALSE(slots[slot]->finished);
    }
}

TEST_F(TimelineTest, FirstPassActivatesTheTitleButDrawsNothing) {
    EXPECT_TRUE(frame(100).empty());
    EXPECT_EQ(activeTypes(), std::vector<uint32_t>({7}));
    const std::vector<SceneCall> second = frame(150);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_FLOAT_EQ(second[0].progress, 150.0f / 11500.0f);
    EXPECT_FLOAT_EQ(second[0].step, 50.0f / 11500.0f);
}

TEST_F(TimelineTest, WindowEdgesOfASceneWithoutKeepRunning) {
    frame(0);
    EXPECT_TRUE(frame(0).empty()) << "now == start does not render";
    const std::vector<SceneCall> end = frame(11500);
    ASSERT_EQ(end.size(), 1u) << "now == start + duration renders";
    EXPECT_EQ(end[0].progress, 1.0f);
}

TEST_F(TimelineTest, StepOfTheFirstPassIsTimeOverDuration) {
    frame(0);
    const std::vector<SceneCall> calls = frame(23);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FLOAT_EQ(calls[0].step, 23.0f / 11500.0f);
}

TEST_F(TimelineTest, CursorWaitsAtAFutureRow) {
    // Row 1 starts later than row 0: with the title's start moved into the
    // future, nothing behind it activates even though their starts have come.
    sceneTimeline.sceneSlots[0]->start = 20000;
    frame(12000);
    EXPECT_TRUE(activeTypes().empty());
    EXPECT_EQ(sceneTimeline.activationCursor, 0);
}

TEST_F(TimelineTest, AJumpActivatesSeveralRowsInTableOrder) {
    frame(12000);
    // Flagged rows go to the head in table order, so the last row leads.
    EXPECT_EQ(activeTypes(), std::vector<uint32_t>({4, 1, 5, 9, 3, 7}));
    EXPECT_EQ(sceneTimeline.activationCursor, SCENE_TABLE_ROWS);
    // That pass walked only from the (then empty) head.
    const std::vector<SceneCall> next = frame(12016);
    EXPECT_EQ(renderedTypes(next), std::vector<uint32_t>({4, 1, 5, 9, 3}));
}

TEST_F(TimelineTest, SceneActivatedAtTheTailRendersInTheSamePass) {
    frame(0);
    frame(100);
    // Rows pushed at the head in this pass first render in the next one.
    const std::vector<SceneCall> atStart = frame(11500);
    EXPECT_EQ(renderedTypes(atStart), std::vector<uint32_t>({7}));
}

TEST_F(TimelineTest, KeepRunningScenesRenderPastTheirWindow) {
    frame(12000);
    const std::vector<SceneCall> late = frame(172000);
    EXPECT_EQ(renderedTypes(late), std::vector<uint32_t>({4, 1, 5, 9, 3}));
    const SceneCall& background = late[2];
    EXPECT_FLOAT_EQ(background.progress, static_cast<float>((172000.0 - 11500.0) / 3500.0));
}

TEST_F(TimelineTest, FinishedScenesLeaveTheListInOrder) {
    frame(12000);
    sceneTimeline.sceneSlots[3]->finished = true;  // background
    Scene* background = sceneTimeline.sceneSlots[3];
    Scene* itsNext = background->next;
    frame(12016);
    EXPECT_EQ(activeTypes(), std::vector<uint32_t>({4, 1, 9, 3, 7}));
    EXPECT_EQ(background->next, itsNext);
}

TEST_F(TimelineTest, TimeGoingBackwardsNeverDeactivates) {
    frame(12000);
    frame(5000);
    EXPECT_EQ(activeTypes().size(), 6u);
}

// Back and forth: the list is what activation gives at that time, with no
// link left over from before, and the pass there draws what the show draws.
TEST_F(TimelineTest, SeekingRebuildsTheListOfThatTime) {
    frame(0);
    frame(30000);
    seekTimeline(5000);
    EXPECT_EQ(activeTypes(), std::vector<uint32_t>({7}));
    EXPECT_EQ(renderedTypes(frame(5000)), std::vector<uint32_t>({7}));
    seekTimeline(11500);
    EXPECT_EQ(renderedTypes(frame(11500)), std::vector<uint32_t>({7})) << "as the show's first pass at 11500";
    seekTimeline(30000);
    EXPECT_EQ(activeTypes(), std::vector<uint32_t>({4, 1, 5, 9, 3, 7}));
    seekTimeline(0);
    EXPECT_EQ(renderedTypes(frame(0)), std::vector<uint32_t>()) << "as the show's first pass";
    EXPECT_EQ(activeTypes(), std::vector<uint32_t>({7}));
}

TEST(TimelineSlots, EmptySlotIsSkippedEverywhere) {
    resetTimeline();
    const SceneFactory noBackground{
        [](uint32_t type, const ShowLinks&) -> Scene* { return type == 5 ? nullptr : new FakeScene(type); },
        fakeFade};
    buildScenes(noBackground, unusedShowLinks());
    EXPECT_EQ(sceneTimeline.sceneSlots[3], nullptr);
    renderFrame(12000);
    renderFrame(12016);
    EXPECT_EQ(activeTypes(), std::vector<uint32_t>({4, 1, 9, 3, 7}));
    destroyScenes();
    int destroyed = 0;
    for (const SceneCall& call : sceneCalls())
        destroyed += call.what == "destroy";
    EXPECT_EQ(destroyed, SCENE_SLOT_COUNT - 1);
    resetTimeline();
}

TEST(TimelineLists, AppendPushAndUnlink) {
    FakeScene a(1), b(2), c(3);
    Scene* list = nullptr;
    appendScene(&a, list);
    appendScene(&b, list);
    pushScene(&c, list);
    ASSERT_EQ(list, &c);
    EXPECT_EQ(c.next, &a);
    EXPECT_EQ(a.next, &b);
    c.finished = true;
    b.finished = true;
    list = unlinkFinished(list);
    EXPECT_EQ(list, &a);
    EXPECT_EQ(a.next, nullptr);
    EXPECT_EQ(unlinkFinished(nullptr), nullptr);
}

}  // namespace
