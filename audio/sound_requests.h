// What both sound layers share: the checks they make on soundInit() and
// soundStreamOpen() before they act, the reason soundLastError() (defined
// here) gives, and the fade that keeps a move or a stop from clicking.
#pragma once

#include "audio/sound_system.h"

namespace sound_internal {

constexpr int STREAM_CAPACITY = 8;
// The most channels soundInit() takes.
constexpr int CHANNEL_LIMIT = 1024;
// A move or a stop fades what was playing out, and a move or a play fades the
// music found there in, over this many frames (about 6 ms at 44100 Hz), so
// that neither clicks.
constexpr int RAMP_FRAMES = 256;

// Why soundInit() refuses the settings, or null when it takes them.
const char* outputSettingsRefusal(int mixRate, int maxChannels, unsigned flags);
// Why soundStreamOpen() refuses before it touches a file, or null: no
// output, a request other than mode 0 at offset 0, a file callback missing,
// or openStreams at STREAM_CAPACITY.
const char* streamRequestRefusal(bool outputStarted, const char* path, unsigned mode, int offset,
                                 int openStreams);

// Keeps the reason soundLastError() gives from now on.
void setLastError(const char* reason);
// setLastError(), then null for the failed open to answer.
SoundStream* failOpen(const char* reason);

}  // namespace sound_internal
