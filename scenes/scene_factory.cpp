#include "scenes/scene_kinds.h"

#include <cstddef>

namespace {

using SceneConstructor = Scene* (*)();

// Index: the scene table's type number; null where a type has no kind.
constexpr SceneConstructor KIND_OF_TYPE[] = {
    nullptr,  // 0
    nullptr,  // 1
    nullptr,  // 2
    nullptr,  // 3
    nullptr,  // 4
    nullptr,  // 5
    nullptr,  // 6
    nullptr,  // 7
    nullptr,  // 8
    nullptr,  // 9
};

Scene* sceneOfType(uint32_t type) {
    constexpr size_t kinds = sizeof KIND_OF_TYPE / sizeof KIND_OF_TYPE[0];
    if (type >= kinds || KIND_OF_TYPE[type] == nullptr)
        return nullptr;
    return KIND_OF_TYPE[type]();
}

// The scene kinds arrive one by one; until the fade does, the ending slot stays empty.
Scene* noFade() { return nullptr; }

}  // namespace

const SceneFactory& showSceneFactory() {
    static const SceneFactory factory{sceneOfType, noFade};
    return factory;
}
