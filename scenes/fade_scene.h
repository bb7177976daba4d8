// The fade to black of the ending: eight black layers over the finished frame
// and the master volume of the player it was given lowered in step.
//
// GL state promise: leaves blending off and the depth test on; texturing is
// expected off and stays so.
#pragma once

#include "timeline/scene.h"

class MusicPlayer;

class FadeScene : public Scene {
public:
    explicit FadeScene(MusicPlayer& player) : player_(player) {}
    void init() override;
    void render(float progress, float step) override;
    void destroy() override;

private:
    MusicPlayer& player_;
};

// Master volume at a progress: (1 - progress) x 255 in double, truncated, so
// 0.2 gives 203, not 204.
int fadeMasterVolume(float progress);
