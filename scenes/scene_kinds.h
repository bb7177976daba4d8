// Constructors of the show's scene kinds, and the factory that maps the scene
// table's type numbers to them.
#pragma once

#include "timeline/timeline.h"

Scene* newSphereScene();       // type 1
Scene* newGlowSpriteScene();   // type 2
Scene* newTextSlidesScene();   // type 3
Scene* newTubeScene();         // type 4
Scene* newBackgroundScene();   // type 5
Scene* newTitleScene();        // type 7
Scene* newLogoScene();         // type 8
Scene* newCreditsScene();      // type 9
Scene* newFadeScene();         // the first ending scene

// The factory of the show: every kind above.
const SceneFactory& showSceneFactory();
