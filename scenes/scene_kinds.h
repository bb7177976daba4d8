// Constructors of the show's scene kinds, and the factory that maps the scene
// table's types (timeline/scene_type.h) to them.
#pragma once

#include "timeline/timeline.h"

Scene* newSphereScene();       // SPHERE_TYPE
Scene* newGlowSpriteScene();   // GLOW_SPRITE_TYPE
Scene* newTextSlidesScene();   // TEXT_SLIDES_TYPE
Scene* newTubeScene();         // TUBE_TYPE
Scene* newBackgroundScene();   // BACKGROUND_TYPE
Scene* newTitleScene();        // TITLE_TYPE
Scene* newLogoScene();         // LOGO_TYPE
Scene* newCreditsScene();      // CREDITS_TYPE
Scene* newFadeScene();         // the first ending scene

// The factory of the show: every kind above.
const SceneFactory& showSceneFactory();
