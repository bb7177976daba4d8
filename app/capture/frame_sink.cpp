#include "app/capture/frame_sink.h"

bool FrameSink::beginAudio(uint32_t) { return true; }

bool FrameSink::writeAudio(const int16_t*, size_t) { return true; }
