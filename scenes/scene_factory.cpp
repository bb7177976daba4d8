#include "scenes/scene_kinds.h"

#include "timeline/scene_type.h"

namespace {

using SceneMaker = Scene* (*)(const ShowLinks& links);

struct SceneKind {
    SceneType type;
    SceneMaker make;
};

// The kinds that need nothing beyond themselves.
template <Scene* (*make)()>
Scene* withoutLinks(const ShowLinks&) {
    return make();
}

// Every type with a kind; the others make no scene.
constexpr SceneKind SCENE_KINDS[] = {
    {SPHERE_TYPE, withoutLinks<newSphereScene>},
    {GLOW_SPRITE_TYPE, withoutLinks<newGlowSpriteScene>},
    {TEXT_SLIDES_TYPE, withoutLinks<newTextSlidesScene>},
    {TUBE_TYPE, withoutLinks<newTubeScene>},
    {BACKGROUND_TYPE, withoutLinks<newBackgroundScene>},
    {TITLE_TYPE, withoutLinks<newTitleScene>},
    {LOGO_TYPE, newLogoScene},
    {CREDITS_TYPE, withoutLinks<newCreditsScene>},
};

Scene* sceneOfType(uint32_t type, const ShowLinks& links) {
    for (const SceneKind& kind : SCENE_KINDS) {
        if (kind.type == type)
            return kind.make(links);
    }
    return nullptr;
}

}  // namespace

const SceneFactory& showSceneFactory() {
    static const SceneFactory factory{sceneOfType, newFadeScene};
    return factory;
}
