#include "app/process_state.h"

#include <algorithm>
#include <iterator>

#include "audio/sound_system.h"
#include "audio/volume.h"
#include "platform/gl_window.h"
#include "platform/quit_request.h"
#include "scenes/glow_sprite_scene.h"
#include "timeline/timeline.h"

void resetProcessState() {
    escapePressed = false;
    sharedPixelFormat = PixelFormatRequest{};
    sharedPixelFormatFilled = false;
    sceneTimeline = SceneTimeline{};
    std::fill(std::begin(particles), std::end(particles), GlowParticle{});
    soundSetMasterVolume(FULL_VOLUME);
    takeQuitRequest();
}
