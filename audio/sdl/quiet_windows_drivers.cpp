// Windows' sound drivers write nothing of their own on stderr: the sound
// layer's one line is all the user sees, with nothing to quiet.
#include "audio/sdl/sdl_sound_internal.h"

namespace sound_internal {

void quietDriverMessages() {}

}  // namespace sound_internal
