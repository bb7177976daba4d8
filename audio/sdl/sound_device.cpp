// SDL's default audio output and performance counter, as the output's
// device (sound_output.cpp watches it and hands the streams over).
#include "audio/sdl/sdl_sound_internal.h"

namespace sound_internal {

namespace {

bool audioSubsystem = false;

SDL_AudioDeviceID openDefault(int& periodFrames, bool mayChangePeriod) {
    if (!audioSubsystem) {
        quietDriverMessages();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return 0;
        audioSubsystem = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = output.rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = OUTPUT_CHANNELS;
    wanted.samples = static_cast<Uint16>(periodFrames);
    wanted.callback = deviceCallback;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device =
        SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, mayChangePeriod ? SDL_AUDIO_ALLOW_SAMPLES_CHANGE : 0);
    if (device == 0)
        return 0;
    if (mayChangePeriod && obtained.samples > 0)
        periodFrames = obtained.samples;
    SDL_PauseAudioDevice(device, 0);
    return device;
}

// A removed device reads as stopped: SDL marks it so where it posts
// SDL_AUDIODEVICEREMOVED, which needs no event queue to be seen here.
bool stillPlaying(SDL_AudioDeviceID device) { return SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_PLAYING; }

// SDL_CloseAudioDevice() joins SDL's audio thread, so no callback touches the
// streams once it returns: soundClose() may free them after it without atomics.
void closeDevice(SDL_AudioDeviceID device) { SDL_CloseAudioDevice(device); }

void releaseAudio() {
    if (audioSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystem = false;
    }
}

constexpr OutputDevice sdlOutputDevice() {
    OutputDevice device{};
    device.open = openDefault;
    device.playing = stillPlaying;
    device.close = closeDevice;
    device.release = releaseAudio;
    device.now = SDL_GetPerformanceCounter;
    device.frequency = SDL_GetPerformanceFrequency;
    return device;
}

}  // namespace

const OutputDevice SDL_OUTPUT_DEVICE = sdlOutputDevice();

}  // namespace sound_internal
