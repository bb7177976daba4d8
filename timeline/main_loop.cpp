#include "timeline/main_loop.h"

#include <initializer_list>

#include "audio/music_player.h"
#include "gfx/gl_subset.h"
#include "platform/gl_window.h"
#include "timeline/ending.h"
#include "timeline/viewer_seek.h"

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

MainLoop::MainLoop(GlWindow& window, MusicPlayer& player, const SceneFactory& factory)
    : window_(window), player_(player), factory_(factory) {}

// The position is read once before the scenes load: a run that starts at or
// past the show's end builds and destroys the scenes and draws nothing.
void MainLoop::begin() {
    const uint32_t firstTime = player_.timeMs();
    buildScenes(factory_, ShowLinks{player_, quitRequested_});
    running_ = firstTime < SHOW_END_MS;
    firstFrame_ = true;
    paused_ = false;
    endingBegun_ = false;
}

bool MainLoop::frame() {
    if (!running_)
        return false;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const uint32_t now = player_.timeMs();
    if (endingBegun_ && endingOverAt(endingBeganMs_, now)) {
        running_ = false;
        return false;
    }
    // Every paused frame is the first frame of its time after a seek there:
    // scenes that become due at that very time are pushed during the pass
    // and would otherwise first draw on the next one, while paused.
    if (paused_ && !endingBegun_)
        seekTimeline(now);
    renderFrame(now);
    window_.swapBuffers();
    const uint32_t bits = window_.pumpMessages();
    const bool quit = (bits & PUMP_QUIT) != 0 || quitRequested_;
    uint32_t position = now;
    if ((bits & PUMP_ENDING) != 0) {
        beginEnding(now);
        endingBegun_ = true;
        endingBeganMs_ = now;
        // The fade runs on the music's clock: a paused show would never end.
        if (paused_)
            obey(ViewerCommand::TOGGLE_PAUSE, position);
    }
    ViewerRequest request;
    while (window_.takeViewerCommand(request)) {
        if (!firstFrame_)
            obey(request, position);
    }
    firstFrame_ = false;
    running_ = !quit && now < SHOW_END_MS;
    return running_;
}

void MainLoop::obey(ViewerRequest request, uint32_t& positionMs) {
    const ViewerCommand command = request.command;
    if (command == ViewerCommand::TOGGLE_PAUSE) {
        player_.togglePause();
        paused_ = !paused_;
        return;
    }
    if (endingBegun_ || (isStep(command) && !paused_))
        return;
    positionMs = viewerTargetMs(request, positionMs);
    if (paused_ && positionMs < FIRST_PICTURE_MS)
        positionMs = FIRST_PICTURE_MS;
    player_.setPosition(positionMs);
    seekTimeline(positionMs);
}

void MainLoop::end() {
    running_ = false;
    destroyScenes();
}

void runMainLoop(GlWindow& window, MusicPlayer& player, const SceneFactory& factory) {
    MainLoop loop(window, player, factory);
    loop.begin();
    while (loop.frame())
        continue;
    loop.end();
}
