#include "timeline/timeline.h"

const SceneTableEntry SCENE_TABLE[SCENE_TABLE_ROWS] = {
    {0, 11500, TITLE_TYPE, 0},
    {11500, 71000, TEXT_SLIDES_TYPE, SCENE_KEEP_RUNNING},
    {11500, 40500, CREDITS_TYPE, SCENE_KEEP_RUNNING},
    {11500, 15000, BACKGROUND_TYPE, SCENE_KEEP_RUNNING},
    {11500, 70000, SPHERE_TYPE, SCENE_KEEP_RUNNING},
    {11500, 70000, TUBE_TYPE, SCENE_KEEP_RUNNING},
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

void buildScenes(const SceneFactory& factory) {
    sceneTimeline.sceneSlots = new Scene*[SCENE_SLOT_COUNT]();
    for (int slot = 0; slot < SCENE_TABLE_ROWS; ++slot) {
        const SceneTableEntry& row = SCENE_TABLE[slot];
        initSlot(slot, factory.ofType(row.type), row.startMs, row.endMs - row.startMs, row.type, row.flags);
    }
    initSlot(FADE_SLOT, factory.fade(), 0, FADE_DURATION_MS, ENDING_TYPE, 0);
    initSlot(LOGO_SLOT, factory.ofType(LOGO_TYPE), LOGO_START_OFFSET_MS, LOGO_DURATION_MS, ENDING_TYPE, 0);
}

void renderFrame(uint32_t now) {
    Scene* scene = sceneTimeline.activeList;
    activateDue(now);
    for (; scene != nullptr; scene = scene->next) {
        const double duration = scene->duration;
        const float progress = progressAt(now, scene->start, scene->duration);
        const float step = static_cast<float>(static_cast<uint32_t>(now - sceneTimeline.previousFrameTime) / duration);
        const bool inWindow = scene->start < now && now <= scene->start + scene->duration;
        if ((scene->flags & SCENE_KEEP_RUNNING) != 0 || inWindow)
            scene->render(progress, step);
    }
    sceneTimeline.activeList = unlinkFinished(sceneTimeline.activeList);
    sceneTimeline.previousFrameTime = now;
}

float progressAt(uint32_t now, uint32_t start, uint32_t duration) {
    return static_cast<float>((static_cast<double>(now) - start) / static_cast<double>(duration));
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
