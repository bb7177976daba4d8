// The scene timeline: the scene table, the eight scene slots, activation by
// music time and the frame pass.
#pragma once

#include <cstdint>

#include "timeline/scene.h"

class MusicPlayer;

struct SceneTableEntry {
    uint32_t startMs;
    uint32_t endMs;
    uint16_t type;
    uint16_t flags;
};

constexpr int SCENE_TABLE_ROWS = 6;
constexpr int SCENE_SLOT_COUNT = 8;
constexpr int FADE_SLOT = 6;
constexpr int LOGO_SLOT = 7;
constexpr uint32_t SHOW_END_MS = 173000;

extern const SceneTableEntry SCENE_TABLE[SCENE_TABLE_ROWS];

// What a scene may reach beyond itself, owned by the loop that runs it: the
// player whose master volume the fade lowers, and the flag by which the logo
// asks that loop to quit.
struct ShowLinks {
    MusicPlayer& player;
    bool& quitRequested;
};

// Makes the scene of a table type (null for a type without a kind) and the
// fade of the ending; the show uses the scene kinds of scenes/.
struct SceneFactory {
    Scene* (*ofType)(uint32_t type, const ShowLinks& links);
    Scene* (*fade)(const ShowLinks& links);
};

// Process-wide timeline state, zero at process start.
struct SceneTimeline {
    // It owns the slots and their scenes: a copy would destroy them twice.
    // Moving an empty timeline in is how a run starts afresh.
    SceneTimeline() = default;
    SceneTimeline(const SceneTimeline&) = delete;
    SceneTimeline& operator=(const SceneTimeline&) = delete;
    SceneTimeline& operator=(SceneTimeline&&) = default;

    Scene** sceneSlots = nullptr;
    Scene* activeList = nullptr;
    int32_t activationCursor = 0;
    uint32_t previousFrameTime = 0;
};
extern SceneTimeline sceneTimeline;

void appendScene(Scene* scene, Scene*& list);
void pushScene(Scene* scene, Scene*& list);
Scene* unlinkFinished(Scene* head);
void activateDue(uint32_t now);
void buildScenes(const SceneFactory& factory, const ShowLinks& links);
void renderFrame(uint32_t now);
// The progress renderFrame() hands a scene of that start and duration at now:
// computed in double, rounded once to float.
float progressAt(uint32_t now, uint32_t start, uint32_t duration);
// Whether now lies in the window (start, start + duration], where a scene
// that does not keep running is drawn.
bool insideWindow(uint32_t now, uint32_t start, uint32_t duration);
// Puts the timeline where a show that played up to just before timeMs has
// it: the table's scenes due by timeMs - 1 active, in the order activation
// gives, and the previous pass at timeMs - 1. The scenes keep nothing from
// one pass to the next, so the pass at timeMs then draws what that show
// draws. Only for a show whose ending has not begun.
void seekTimeline(uint32_t timeMs);
void destroyScenes();
