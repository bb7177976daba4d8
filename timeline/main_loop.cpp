#include <GL/gl.h>

#include <initializer_list>

#include "audio/music_player.h"
#include "platform/gl_window.h"
#include "timeline/timeline.h"

namespace {

// Re-times both ending scenes from the moment of the request and puts them
// last in the list, so they draw over everything else.
void beginEnding(uint32_t now) {
    Scene* fade = sceneTimeline.sceneSlots[FADE_SLOT];
    Scene* logo = sceneTimeline.sceneSlots[LOGO_SLOT];
    for (Scene* scene : {fade, logo}) {
        if (scene == nullptr)
            continue;
        scene->start += now;
        appendScene(scene, sceneTimeline.activeList);
    }
}

}  // namespace

void runMainLoop(GlWindow& window, MusicPlayer& player, const SceneFactory& factory) {
    bool quit = false;
    const uint32_t firstTime = player.timeMs();
    buildScenes(factory);
    if (firstTime < SHOW_END_MS) {
        for (;;) {
            if (quit)
                break;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            const uint32_t now = player.timeMs();
            renderFrame(now);
            window.swapBuffers();
            const uint32_t bits = window.pumpMessages();
            quit = (bits & PUMP_QUIT) != 0;
            if ((bits & PUMP_ENDING) != 0)
                beginEnding(now);
            if (now >= SHOW_END_MS)
                break;
        }
    }
    destroyScenes();
}
