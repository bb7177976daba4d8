// ALSA, which SDL loads to find a sound device, prints its own diagnostics on
// stderr (eight lines when the machine has no sound card) before SDL can say
// in one line that there is no device. The library is loaded here too, which
// shares SDL's copy of it, and given a handler that keeps quiet; the sound
// layer then reports what matters. Without ALSA there is nothing to quiet.
#include "audio/sdl/sdl_sound_internal.h"

#include <dlfcn.h>

namespace sound_internal {

namespace {

constexpr const char* ALSA_LIBRARY = "libasound.so.2";

// snd_lib_error_set_handler() and its handler's type, from alsa/error.h.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error, const char* format,
                                  ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler handler);

extern "C" void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void quietDriverMessages() {
    // Kept loaded for the life of the process: unloading would forget the handler.
    static void* const alsa = dlopen(ALSA_LIBRARY, RTLD_LAZY | RTLD_LOCAL);
    if (alsa == nullptr)
        return;
    const auto setHandler = reinterpret_cast<SetAlsaErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler != nullptr)
        setHandler(ignoreAlsaError);
}

}  // namespace sound_internal
