// The base record of every effect of the show. A scene draws inside a time
// window measured on the music position in milliseconds.
#pragma once

#include <cstdint>

#include "timeline/scene_type.h"

constexpr uint32_t SCENE_KEEP_RUNNING = 0x10;  // render on every frame once active

class Scene {
public:
    virtual ~Scene() = default;

    // Acquires files, textures and meshes; called once, before the first frame,
    // after start, duration, type and flags are set.
    virtual void init() = 0;
    // Draws one frame. progress = (now - start) / duration; step = time since the
    // previous frame pass as a fraction of duration. The GL context is current.
    virtual void render(float progress, float step) = 0;
    // Releases what init acquired; called once, after the main loop.
    virtual void destroy() = 0;

    Scene* next = nullptr;  // link in the active list
    int32_t spare = 0;
    uint32_t start = 0;     // ms
    uint32_t duration = 0;  // ms
    uint32_t type = 0;
    uint32_t flags = 0;
    bool finished = false;  // leave the active list after the next frame pass
};
