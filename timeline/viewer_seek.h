// Where the viewer's commands (platform/viewer_command.h) take the music:
// seeks by a short or a long way, back to the start, and steps of one frame
// of a 60 fps recording, all within the show.
#pragma once

#include <cstdint>

#include "platform/viewer_command.h"
#include "timeline/timeline.h"

constexpr uint32_t SHORT_SEEK_MS = 5000;
constexpr uint32_t LONG_SEEK_MS = 30000;
constexpr uint32_t STEP_FRAMES_PER_SECOND = 60;

// The last position a seek or a step reaches: moving never ends the show.
constexpr uint32_t LAST_SEEK_MS = SHOW_END_MS - 1;

// The first frame with a picture, the recorder's frame 1 (floor(1000 / 60)
// ms): the frame at 0 ms is the title's black first pass. A paused show
// moved below it shows this frame instead.
constexpr uint32_t FIRST_PICTURE_MS = 1000 / STEP_FRAMES_PER_SECOND;

// The position the request asks for when the music is at nowMs. A step
// lands on the next or previous frame time floor(n x 1000 / 60) ms, the
// frames the recorder draws by default. A pause asks for no move: nowMs.
uint32_t viewerTargetMs(ViewerRequest request, uint32_t nowMs);

// Whether the command moves by a frame: only a paused show steps.
constexpr bool isStep(ViewerCommand command) {
    return command == ViewerCommand::STEP_BACK || command == ViewerCommand::STEP_FORWARD;
}
