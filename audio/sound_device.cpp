// The device: opens SDL's default output, watches it from the output thread,
// and when there is none or it is lost, paces the consumer in silence by the
// performance counter as a device would.
#include "audio/sound_system_internal.h"
#include "platform/program_message.h"

#include <cstdio>
#include <cstring>

namespace sound_internal {

namespace {

constexpr auto DETACH_POLL = std::chrono::milliseconds(1);
// The silent pace consumes at most this much missed time at once; beyond it
// (a suspended process) it starts afresh from now.
constexpr int MAX_CATCH_UP_MS = 1000;

// seq_cst on inCallback and detached: with detachDevice() they make a
// store-then-load handshake, and only a single total order keeps both sides
// from missing the other's store (acquire and release would let each load
// pass the store before it). Clearing inCallback also releases the streams'
// consumer state to the silent pace.
void deviceCallback(void*, Uint8* bytes, int length) {
    output.inCallback.store(true);
    if (output.detached.load()) {
        std::memset(bytes, 0, static_cast<size_t>(length));
    } else {
        const uint64_t stamp = SDL_GetPerformanceCounter();
        output.lastCallback.store(stamp);
        consumeAll(reinterpret_cast<int16_t*>(bytes), length / FRAME_BYTES, stamp);
    }
    output.inCallback.store(false);
}

// The silent pace calls the consumer as a device would: period n falls due
// at anchor + n periods.
struct SilentPace {
    uint64_t anchor;
    uint64_t periods;
};

uint64_t dueAt(const SilentPace& pace) {
    return pace.anchor + framesToTicks(static_cast<int64_t>(pace.periods) * output.periodFrames);
}

bool deviceLost() {
    if (SDL_GetAudioDeviceStatus(output.device) != SDL_AUDIO_PLAYING)
        return true;
    const uint64_t last = output.lastCallback.load();
    const uint64_t now = SDL_GetPerformanceCounter();
    return now > last && now - last > msToTicks(STALL_LIMIT_MS);
}

// Stops the callback from consuming and waits out one in progress, so that
// the silent pace is the only consumer from here on. The device itself is
// closed by soundClose(): closing waits for SDL's thread, which may hang.
// seq_cst, the other side of deviceCallback()'s handshake: detached is set
// before inCallback is read. Seeing inCallback clear acquires what the last
// callback left in the streams.
void detachDevice() {
    output.detached.store(true);
    while (output.inCallback.load())
        std::this_thread::sleep_for(DETACH_POLL);
}

std::chrono::nanoseconds ticksToDuration(uint64_t ticks) {
    using Seconds = std::chrono::duration<double>;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        Seconds(static_cast<double>(ticks) / static_cast<double>(output.counterFrequency)));
}

}  // namespace

void runOutput() {
    SilentPace pace{SDL_GetPerformanceCounter(), 0};
    std::unique_lock<std::mutex> lock(output.wakeMutex);
    while (!output.quit) {
        if (!output.detached.load()) {
            if (deviceLost()) {
                detachDevice();
                // Go on from the device's last period so the position does not jump.
                pace = SilentPace{output.lastCallback.load(), 1};
                programMessage("audio device lost; playing in silence");
            } else {
                output.wake.wait_for(lock, WATCH_INTERVAL);
            }
            continue;
        }
        const uint64_t now = SDL_GetPerformanceCounter();
        if (now > dueAt(pace) && now - dueAt(pace) > msToTicks(MAX_CATCH_UP_MS))
            pace = SilentPace{now, 0};
        while (dueAt(pace) <= now) {
            consumeAll(output.silentBuffer.data(), output.periodFrames, dueAt(pace));
            ++pace.periods;
        }
        output.wake.wait_for(lock, ticksToDuration(dueAt(pace) - now));
    }
}

// Opens the default device at the mixing rate; on failure the silent pace
// stands in for it.
void openDevice() {
    quietAlsaMessages();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        programMessage("no audio device (%s); playing in silence", SDL_GetError());
        return;
    }
    output.audioSubsystem = true;
    SDL_AudioSpec wanted{};
    wanted.freq = output.rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = OUTPUT_CHANNELS;
    wanted.samples = REQUESTED_PERIOD_FRAMES;
    wanted.callback = deviceCallback;
    SDL_AudioSpec obtained{};
    output.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (output.device == 0) {
        programMessage("no audio device (%s); playing in silence", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output.audioSubsystem = false;
        return;
    }
    if (obtained.samples > 0)
        output.periodFrames = obtained.samples;
    output.detached.store(false);
}

// SDL_CloseAudioDevice() joins SDL's audio thread, so no callback touches the
// streams once it returns: soundClose() may free them after it without atomics.
void closeDevice() {
    if (output.device != 0) {
        SDL_CloseAudioDevice(output.device);
        output.device = 0;
    }
    if (output.audioSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output.audioSubsystem = false;
    }
}

}  // namespace sound_internal
