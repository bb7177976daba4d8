#include "scenes/scene_kinds.h"

#include "timeline/scene_type.h"

namespace {

struct SceneKind {
    SceneType type;
    Scene* (*make)();
};

// Every type with a kind; the others make no scene.
constexpr SceneKind SCENE_KINDS[] = {
    {SPHERE_TYPE, newSphereScene},
    {GLOW_SPRITE_TYPE, newGlowSpriteScene},
    {TEXT_SLIDES_TYPE, newTextSlidesScene},
    {TUBE_TYPE, newTubeScene},
    {BACKGROUND_TYPE, newBackgroundScene},
    {TITLE_TYPE, newTitleScene},
    {LOGO_TYPE, newLogoScene},
    {CREDITS_TYPE, newCreditsScene},
};

Scene* sceneOfType(uint32_t type) {
    for (const SceneKind& kind : SCENE_KINDS) {
        if (kind.type == type)
            return kind.make();
    }
    return nullptr;
}

}  // namespace

const SceneFactory& showSceneFactory() {
    static const SceneFactory factory{sceneOfType, newFadeScene};
    return factory;
}
