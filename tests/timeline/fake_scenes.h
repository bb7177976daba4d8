// Scenes that draw nothing and record what the timeline asked of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "timeline/timeline.h"

struct SceneCall {
    uint32_t type;
    std::string what;  // "init", "render" or "destroy"
    float progress;
    float step;
    uint32_t start;  // the scene's start when the call came
};

// Every call of every fake scene, in order.
inline std::vector<SceneCall>& sceneCalls() {
    static std::vector<SceneCall> calls;
    return calls;
}

constexpr uint32_t FAKE_FADE_TYPE = 100;

class FakeScene : public Scene {
public:
    explicit FakeScene(uint32_t kind) : kind_(kind) {}
    void init() override { sceneCalls().push_back({kind_, "init", 0, 0, start}); }
    void render(float progress, float step) override {
        sceneCalls().push_back({kind_, "render", progress, step, start});
    }
    void destroy() override { sceneCalls().push_back({kind_, "destroy", 0, 0, start}); }

private:
    uint32_t kind_;
};

inline Scene* fakeOfType(uint32_t type, const ShowLinks&) { return new FakeScene(type); }
inline Scene* fakeFade(const ShowLinks&) { return new FakeScene(FAKE_FADE_TYPE); }
inline const SceneFactory FAKE_FACTORY{fakeOfType, fakeFade};

// The types of the scenes rendered by the calls, in order.
inline std::vector<uint32_t> renderedTypes(const std::vector<SceneCall>& calls) {
    std::vector<uint32_t> types;
    for (const SceneCall& call : calls) {
        if (call.what == "render")
            types.push_back(call.type);
    }
    return types;
}

// The types along the active list, head first.
inline std::vector<uint32_t> activeTypes() {
    std::vector<uint32_t> types;
    for (Scene* scene = sceneTimeline.activeList; scene != nullptr; scene = scene->next)
        types.push_back(scene->type);
    return types;
}

inline void resetTimeline() {
    sceneTimeline = SceneTimeline{};
    sceneCalls().clear();
}
