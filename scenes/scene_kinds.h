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
Scene* newCreditsScene();      // CREDITS_TYPE
// The two ending scenes reach past themselves, through the loop's links.
Scene* newLogoScene(const ShowLinks& links);  // LOGO_TYPE: raises links.quitRequested
Scene* newFadeScene(const ShowLinks& links);  // the first: lowers links.player's master volume

// The factory of the show: every kind above.
const SceneFactory& showSceneFactory();
