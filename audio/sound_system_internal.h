// The inside of the sound layer, shared by its source files and by nothing
// else: the stream, the one output, and the calls each part offers the others.
//
// Threads: the main thread makes every public call; one decoder thread per
// stream fills its ring; the consumer (the SDL audio callback while a device
// is attached, the output thread's silent pace after) mixes the rings.
#pragma once

#include "audio/mp3_file.h"
#include "audio/sound_requests.h"
#include "audio/sound_system.h"
#include "audio/volume.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sound_internal {

constexpr int REQUESTED_PERIOD_FRAMES = 1024;
constexpr int BLOCK_FRAMES = 1024;
constexpr int RING_BLOCKS = 32;  // about 0.75 s at 44100 Hz
// Slots the decoder leaves free while it plays on: after a move it decodes
// the new position's first blocks there at once, beside the stale ones the
// output has not yet dropped, so the output's next period can play them.
constexpr int SEEK_ROOM_BLOCKS = 2;
constexpr int MS_PER_SECOND = 1000;
// A device whose callback has not run for this long counts as lost.
constexpr int STALL_LIMIT_MS = 250;
constexpr auto WATCH_INTERVAL = std::chrono::milliseconds(20);
constexpr int WATCH_INTERVAL_MS = static_cast<int>(WATCH_INTERVAL.count());
// Interpolation runs on past the last callback until the silent pace can
// have taken over from a stalled device.
constexpr int INTERPOLATION_REACH_MS = STALL_LIMIT_MS + 2 * WATCH_INTERVAL_MS;
constexpr int64_t NO_EPOCH = -1;

// One decoded block, tagged with the epoch (count of position moves) it was
// decoded in, so that the consumer can drop what a move made stale.
struct RingBlock {
    uint32_t epoch;
    int frames;
    int16_t samples[BLOCK_FRAMES * OUTPUT_CHANNELS];
};

}  // namespace sound_internal

struct SoundStream {
    sound_internal::Mp3File mp3;
    std::thread decoderThread;
    std::atomic<bool> quit{false};

    // Single-producer (decoder thread), single-consumer (output) ring. Each
    // side stores its own count with release once it is done with a block,
    // and loads the other's with acquire before it touches one.
    std::vector<sound_internal::RingBlock> ring;
    std::atomic<uint64_t> blocksWritten{0};
    std::atomic<uint64_t> blocksRead{0};

    std::atomic<uint32_t> epoch{0};
    std::atomic<int64_t> seekTarget{0};
    std::atomic<int64_t> endedEpoch{sound_internal::NO_EPOCH};

    std::atomic<bool> playing{false};
    std::atomic<int> channel{0};

    // Owned by whichever thread consumes the output at the time.
    uint32_t consumerEpoch = 0;
    int64_t handed = 0;
    int blockOffset = 0;
    bool consumerPlaying = false;
    // What would have played next when the music moved or stopped, fading out.
    int16_t tail[sound_internal::RAMP_FRAMES * sound_internal::OUTPUT_CHANNELS] = {};
    int tailFrames = 0;
    int tailDone = 0;
    bool rampingIn = false;  // the epoch's first RAMP_FRAMES fade in

    // The consumer's last hand-over (a sequence lock; the consumer never waits).
    std::atomic<uint32_t> snapshotSequence{0};
    std::atomic<uint32_t> snapshotEpoch{0};
    std::atomic<int64_t> snapshotBefore{0};
    std::atomic<int64_t> snapshotAfter{0};
    std::atomic<uint64_t> snapshotStamp{0};

    // Main thread only, in frames.
    int64_t baseFrames = 0;
    int64_t frozenFrames = 0;
    int64_t lastReported = 0;
    bool resumeNeedsSeek = false;
};

namespace sound_internal {

// The one output of the process; every call of the layer works on it.
struct Output {
    ~Output();

    bool started = false;
    bool audioSubsystem = false;
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    int periodFrames = 0;
    int channelCount = 0;
    uint64_t counterFrequency = 1;
    std::unique_ptr<std::atomic<int>[]> channelVolumes;
    std::atomic<SoundStream*> streams[STREAM_CAPACITY] = {};
    std::atomic<int> streamCount{0};

    // The device callback consumes until detached; the silent pace after.
    std::atomic<bool> detached{true};
    std::atomic<bool> inCallback{false};
    std::atomic<uint64_t> lastCallback{0};

    std::thread thread;
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool quit = false;
    std::vector<int16_t> silentBuffer;
};

extern Output output;
extern std::atomic<int> masterVolume;

inline uint64_t msToTicks(int ms) { return output.counterFrequency * static_cast<uint64_t>(ms) / MS_PER_SECOND; }

// Rounded up, so that a position set in ms reads back as the same ms.
inline int64_t msToFrames(int64_t ms) { return (ms * output.rate + MS_PER_SECOND - 1) / MS_PER_SECOND; }

inline int64_t ticksToFrames(uint64_t ticks) {
    return static_cast<int64_t>(ticks * static_cast<uint64_t>(output.rate) / output.counterFrequency);
}

inline uint64_t framesToTicks(int64_t frames) {
    return static_cast<uint64_t>(frames) * output.counterFrequency / static_cast<uint64_t>(output.rate);
}

// stream_decoder.cpp: the decoder thread that fills a stream's ring.
bool decodeFirstBlock(SoundStream& stream);
void runDecoder(SoundStream& stream);

// The decoder thread's loop, one pass at a time, so that the reading path
// can run without a thread or an output (the fuzz target drives it).
struct DecoderState {
    uint32_t epoch = 0;
    int blocksOfEpoch = 0;
    bool ended = false;
};
// The state the thread starts in, after decodeFirstBlock().
DecoderState decoderStart(const SoundStream& stream);
// Follows a move, or decodes the next block where the ring has room; false
// when there was nothing to do (ended, or the ring full).
bool decoderStep(SoundStream& stream, DecoderState& state);
// Stops the decoder thread and frees the stream, opened or half-opened.
void closeStream(SoundStream* stream);

// sound_mixer.cpp: the consumer. Mixes every stream into out and hands the
// position on; runs on the SDL audio thread or the silent pace.
void consumeAll(int16_t* out, int frames, uint64_t stamp);

// sound_device.cpp: the device, its watch and the silent pace.
void openDevice();
void closeDevice();
void runOutput();

// alsa_messages.cpp: keeps ALSA's own diagnostics off stderr; call before
// SDL's audio starts.
void quietAlsaMessages();

}  // namespace sound_internal
