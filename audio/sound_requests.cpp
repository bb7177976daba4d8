#include "audio/sound_requests.h"

#include "audio/mp3_file.h"

namespace sound_internal {

namespace {

const char* lastError = "";

}  // namespace

const char* outputSettingsRefusal(int mixRate, int maxChannels, unsigned flags) {
    if (mixRate <= 0 || maxChannels <= 0 || maxChannels > CHANNEL_LIMIT || flags != 0)
        return "unsupported output settings";
    return nullptr;
}

const char* streamRequestRefusal(bool outputStarted, const char* path, unsigned mode, int offset,
                                 int openStreams) {
    if (!outputStarted)
        return "the sound output is not started";
    if (path == nullptr || mode != 0 || offset != 0)
        return "unsupported stream request";
    if (!fileCallbacksSet())
        return "no file callbacks set";
    if (openStreams == STREAM_CAPACITY)
        return "too many open streams";
    return nullptr;
}

void setLastError(const char* reason) { lastError = reason; }

SoundStream* failOpen(const char* reason) {
    lastError = reason;
    return nullptr;
}

}  // namespace sound_internal

const char* soundLastError() { return sound_internal::lastError; }
