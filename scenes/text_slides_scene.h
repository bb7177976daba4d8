// The text slides: nine text pictures shown one at a time in a rectangle on
// the right of the view, each fading in, holding and fading out. One cycle
// through the nine takes the scene's duration; progress past 1 repeats it.
//
// GL state promise: draws without depth test or depth writes and leaves both
// on, with blending and texturing off.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "content/show_data.h"
#include "gfx/texture.h"
#include "timeline/scene.h"

class TextSlidesScene : public Scene {
public:
    void init() override;
    void render(float progress, float step) override;
    void destroy() override;

    // Entry k holds the picture textSlideFile(k).
    std::array<std::unique_ptr<Texture>, TEXT_SLIDE_COUNT> slides;
};

struct TextSlideFrame {
    int index;      // 0 to TEXT_SLIDE_COUNT - 1
    uint8_t alpha;  // 0 at the slide's start and end, 255 over its middle half
};

// The slide shown at a progress and its fade; a progress that is not finite
// shows the first slide, invisible.
TextSlideFrame textSlideAt(float progress);
