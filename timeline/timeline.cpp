#include "timeline/timeline.h"

#include "timeline/ending.h"

namespace {

// A row of the scene table with each value named: start and end are both
// milliseconds, and a swapped pair would still compile.
struct SceneRow {
    SceneTableEntry entry;

    constexpr explicit SceneRow(SceneType type) : entry{0, 0, type, 0} {}
    constexpr SceneRow fromMs(uint32_t ms) const {
        SceneRow row = *this;
        row.entry.startMs = ms;
        return row;
    }
    constexpr SceneRow untilMs(uint32_t ms) const {
        SceneRow row = *this;
        row.entry.endMs = ms;
        return row;
    }
    constexpr SceneRow keepRunning() const {
        SceneRow row = *this;
        row.entry.flags = SCENE_KEEP_RUNNING;
        return row;
    }
};

}  // namespace

const SceneTableEntry SCENE_TABLE[SCENE_TABLE_ROWS] = {
    SceneRow(TITLE_TYPE).fromMs(0).untilMs(11500).entry,
    SceneRow(TEXT_SLIDES_TYPE).fromMs(11500).untilMs(71000).keepRunning().entry,
    SceneRow(CREDITS_TYPE).fromMs(11500).untilMs(40500).keepRunning().entry,
    SceneRow(BACKGROUND_TYPE).fromMs(11500).untilMs(15000).keepRunning().entry,
    SceneRow(SPHERE_TYPE).fromMs(11500).untilMs(70000).keepRunning().entry,
    SceneRow(TUBE_TYPE).fromMs(11500).untilMs(70000).keepRunning().entry,
};

SceneTimeline sceneTimeline;

namespace {

void setTiming(Scene* scene, uint32_t start, uint32_t duration, uint32_t type, uint32_t flags) {
    scene->start = start;
    scene->duration = duration;
    scene->type = type;
    scene->flags = flags;
    scene->finished = false;
    scene->spare = 0;
}

// An empty slot (a type without a kind) stays null and every pass skips it.
void initSlot(int slot, Scene* scene, uint32_t start, uint32_t duration, uint32_t type, uint32_t flags) {
    sceneTimeline.sceneSlots[slot] = scene;
    if (scene == nullptr)
        return;
    setTiming(scene, start, duration, type, flags);
    scene->init();
}

}  // namespace

void appendScene(Scene* scene, Scene*& list) {
    Scene** link = &list;
    while (*link != nullptr)
        link = &(*link)->next;
    *link = scene;
}

void pushScene(Scene* scene, Scene*& list) {
    scene->next = list;
    list = scene;
}

Scene* unlinkFinished(Scene* head) {
    if (head == nullptr)
        return nullptr;
    Scene* rest = unlinkFinished(head->next);
    if (head->finished)
        return rest;
    head->next = rest;
    return head;
}

void activateDue(uint32_t now) {
    while (sceneTimeline.activationCursor < SCENE_TABLE_ROWS) {
        Scene* scene = sceneTimeline.sceneSlots[sceneTimeline.activationCursor];
        if (scene != nullptr) {
            if (scene->start > now)
                return;
            if (scene->flags != 0)
                pushScene(scene, sceneTimeline.activeList);
            else
                appendScene(scene, sceneTimeline.activeList);
        } else if (SCENE_TABLE[sceneTimeline.activationCursor].startMs > now) {
            return;
        }
        ++sceneTimeline.activationCursor;
    }
}

void buildScenes(const SceneFactory& factory, const ShowLinks& links) {
    sceneTimeline.sceneSlots = new Scene*[SCENE_SLOT_COUNT]();
    for (int slot = 0; slot < SCENE_TABLE_ROWS; ++slot) {
        const SceneTableEntry& row = SCENE_TABLE[slot];
        initSlot(slot, factory.ofType(row.type, links), row.startMs, row.endMs - row.startMs, row.type, row.flags);
    }
    initSlot(FADE_SLOT, factory.fade(links), 0, FADE_DURATION_MS, ENDING_TYPE, 0);
    initSlot(LOGO_SLOT, factory.ofType(LOGO_TYPE, links), LOGO_START_OFFSET_MS, LOGO_DURATION_MS, ENDING_TYPE,
             0);
}

void renderFrame(uint32_t now) {
    // The head is taken before activation, and the order of the show rests on
    // it: a scene pushed to the front now first draws on the next pass, and a
    // pass that starts with an empty list draws nothing at all.
    Scene* scene = sceneTimeline.activeList;
    activateDue(now);
    for (; scene != nullptr; scene = scene->next) {
        const double duration = scene->duration;
        const float progress = progressAt(now, scene->start, scene->duration);
        const float step = static_cast<float>(static_cast<uint32_t>(now - sceneTimeline.previousFrameTime) / duration);
        if ((scene->flags & SCENE_KEEP_RUNNING) != 0 || insideWindow(now, scene->start, scene->duration))
            scene->render(progress, step);
    }
    sceneTimeline.activeList = unlinkFinished(sceneTimeline.activeList);
    sceneTimeline.previousFrameTime = now;
}

float progressAt(uint32_t now, uint32_t start, uint32_t duration) {
    return static_cast<float>((static_cast<double>(now) - start) / static_cast<double>(duration));
}

bool insideWindow(uint32_t now, uint32_t start, uint32_t duration) { return start < now && now <= start + duration; }

void seekTimeline(uint32_t timeMs) {
    for (int slot = 0; slot < SCENE_TABLE_ROWS; ++slot) {
        if (Scene* scene = sceneTimeline.sceneSlots[slot])
            scene->next = nullptr;
    }
    sceneTimeline.activeList = nullptr;
    sceneTimeline.activationCursor = 0;
    const uint32_t previousMs = timeMs > 0 ? timeMs - 1 : 0;
    if (timeMs > 0)
        activateDue(previousMs);
    sceneTimeline.previousFrameTime = previousMs;
}

void destroyScenes() {
    for (int slot = 0; slot < SCENE_SLOT_COUNT; ++slot) {
        Scene* scene = sceneTimeline.sceneSlots[slot];
        if (scene == nullptr)
            continue;
        scene->destroy();
        delete scene;
    }
    delete[] sceneTimeline.sceneSlots;
    sceneTimeline.sceneSlots = nullptr;
}
