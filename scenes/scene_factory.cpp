#include "scenes/scene_kinds.h"

#include <cstddef>

namespace {

using SceneConstructor = Scene* (*)();

// Index: the scene table's type number; null where a type has no kind.
constexpr SceneConstructor KIND_OF_TYPE[] = {
    nullptr,             // 0
    newSphereScene,      // 1
    newGlowSpriteScene,  // 2
    newTextSlidesScene,  // 3
    newTubeScene,        // 4
    newBackgroundScene,  // 5
    nullptr,             // 6
    newTitleScene,       // 7
    newLogoScene,        // 8
    newCreditsScene,     // 9
};

Scene* sceneOfType(uint32_t type) {
    constexpr size_t kinds = sizeof KIND_OF_TYPE / sizeof KIND_OF_TYPE[0];
    if (type >= kinds || KIND_OF_TYPE[type] == nullptr)
        return nullptr;
    return KIND_OF_TYPE[type]();
}

}  // namespace

const SceneFactory& showSceneFactory() {
    static const SceneFactory factory{sceneOfType, newFadeScene};
    return factory;
}
