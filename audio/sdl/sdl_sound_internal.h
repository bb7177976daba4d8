// The inside of SDL's sound output, shared by its source files and by
// nothing else: the output's part of a stream, the one output, and the calls
// each part offers the others. The front half (audio/sound_backend.h) keeps
// the registry, the channels and the streams' bookkeeping.
//
// Threads: the main thread makes every call of the front half; one decoder
// thread per stream fills its ring; the consumer (the device's callback while
// the device is attached, the output thread's silent pace while it is not)
// mixes the rings; the output thread also watches the device (sound_output.cpp).
#pragma once

#include "audio/mp3_file.h"
#include "audio/sound_backend.h"
#include "audio/sound_requests.h"
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
// A device whose callback has not run for this long is stalled: the silent
// pace plays on for it until its callbacks come back. A turn of the output,
// or a read of the position, this much later than due means the process
// itself was stopped, and the show goes on from where it stood.
constexpr int STALL_LIMIT_MS = 250;
constexpr int WATCH_INTERVAL_MS = 20;
// A lost device is replaced by the default output, tried this often.
constexpr int REOPEN_INTERVAL_MS = 1000;
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

struct OutputStream {
    explicit OutputStream(Mp3File& file) : mp3(file) {}
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    Mp3File& mp3;
    std::thread decoderThread;
    std::atomic<bool> quit{false};

    // Single-producer (decoder thread), single-consumer (output) ring. Each
    // side stores its own count with release once it is done with a block,
    // and loads the other's with acquire before it touches one.
    std::vector<RingBlock> ring;
    std::atomic<uint64_t> blocksWritten{0};
    std::atomic<uint64_t> blocksRead{0};

    std::atomic<uint32_t> epoch{0};
    std::atomic<int64_t> seekTarget{0};
    std::atomic<int64_t> endedEpoch{NO_EPOCH};

    std::atomic<bool> playing{false};
    std::atomic<int> channel{0};

    // Owned by whichever thread consumes the output at the time.
    uint32_t consumerEpoch = 0;
    int64_t handed = 0;
    int blockOffset = 0;
    bool consumerPlaying = false;
    // What would have played next when the music moved or stopped, fading out.
    int16_t tail[RAMP_FRAMES * OUTPUT_CHANNELS] = {};
    int tailFrames = 0;
    int tailDone = 0;
    bool rampingIn = false;  // the epoch's first RAMP_FRAMES fade in

    // The consumer's last hand-over (a sequence lock; the consumer never waits).
    std::atomic<uint32_t> snapshotSequence{0};
    std::atomic<uint32_t> snapshotEpoch{0};
    std::atomic<int64_t> snapshotBefore{0};
    std::atomic<int64_t> snapshotAfter{0};
    std::atomic<uint64_t> snapshotStamp{0};

    // Main thread only: when the position was last read, and the hand-over
    // a late read holds to.
    uint64_t lastRead = 0;
    uint64_t heldStamp = 0;
};

// How the output reaches its device and its clock. soundInit() takes SDL's
// (SDL_OUTPUT_DEVICE, sound_device.cpp); a test takes a device it calls back
// by hand and a clock it steps itself (startSound()).
struct OutputDevice {
    // Opens the default output at output.rate with deviceCallback() called
    // for periodFrames frames at a time, or the device's own period where
    // mayChangePeriod (then periodFrames says which), and starts it. Answers
    // the device, or 0 when there is none, SDL_GetError() saying why.
    SDL_AudioDeviceID (*open)(int& periodFrames, bool mayChangePeriod);
    // False once the device is removed or has stopped playing for good.
    bool (*playing)(SDL_AudioDeviceID device);
    // Closes the device; no callback of it runs once this returns.
    void (*close)(SDL_AudioDeviceID device);
    // After the last close: frees what the first open set up.
    void (*release)();
    // The clock: ticks at frequency() a second, never going back.
    uint64_t (*now)();
    uint64_t (*frequency)();
};

extern const OutputDevice SDL_OUTPUT_DEVICE;

enum class DeviceState {
    ATTACHED,  // its callback consumes the streams
    STALLED,   // open but late, or not yet called back: the silent pace consumes
    LOST,      // closed; the default output is opened again now and then
    ABSENT,    // none could be had at the start: the silent pace for good
};

// The silent pace calls the consumer as a device would: period n falls due
// at anchor + n periods.
struct SilentPace {
    uint64_t anchor = 0;
    uint64_t periods = 0;
};

// What the watch over the device keeps between its turns; owned by whoever
// turns the output (the output thread, or a test).
struct Watch {
    DeviceState state = DeviceState::ABSENT;
    uint64_t due = 0;         // when this turn was asked for
    uint64_t graceFrom = 0;   // callbacks count as late from here on
    uint64_t detachedAt = 0;  // a callback after this brings the device back
    uint64_t reopenAt = 0;
    bool replacing = false;   // the device that comes back replaces a lost one
    SilentPace pace;
};

// The one output of the process.
struct Output {
    ~Output();

    const OutputDevice* calls = &SDL_OUTPUT_DEVICE;
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    int periodFrames = 0;
    uint64_t counterFrequency = 1;
    // As the front half set them; the consumer clamps them.
    std::unique_ptr<std::atomic<int>[]> channelVolumes;
    std::atomic<int> masterVolume{FULL_VOLUME};

    // The device callback consumes while attached; the silent pace while
    // detached. The hand-over both ways is in sound_output.cpp.
    std::atomic<bool> detached{true};
    std::atomic<bool> inCallback{false};
    std::atomic<uint64_t> lastCallback{0};
    // Owned by the consumer: the next period fades in, as after a move.
    bool fadeInNext = false;

    Watch watch;
    std::thread thread;
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool quit = false;
    std::vector<int16_t> silentBuffer;
};

extern Output output;

// The output's clock, in ticks of counterFrequency.
inline uint64_t clockNow() { return output.calls->now(); }

inline uint64_t msToTicks(int ms) { return output.counterFrequency * static_cast<uint64_t>(ms) / MS_PER_SECOND; }

inline int64_t msToFrames(int64_t ms) { return msToFrames(ms, output.rate); }

inline int64_t ticksToFrames(uint64_t ticks) {
    return static_cast<int64_t>(ticks * static_cast<uint64_t>(output.rate) / output.counterFrequency);
}

inline uint64_t framesToTicks(int64_t frames) {
    return static_cast<uint64_t>(frames) * output.counterFrequency / static_cast<uint64_t>(output.rate);
}

// stream_decoder.cpp: the decoder thread that fills a stream's ring.
bool decodeFirstBlock(OutputStream& stream);
void runDecoder(OutputStream& stream);

// The decoder thread's loop, one pass at a time, so that the reading path
// can run without a thread or an output (the fuzz target drives it).
struct DecoderState {
    uint32_t epoch = 0;
    int blocksOfEpoch = 0;
    bool ended = false;
};
// The state the thread starts in, after decodeFirstBlock().
DecoderState decoderStart(const OutputStream& stream);
// Follows a move, or decodes the next block where the ring has room; false
// when there was nothing to do (ended, or the ring full).
bool decoderStep(OutputStream& stream, DecoderState& state);
// Stops the decoder thread and frees the stream, opened or half-opened.
void closeStream(OutputStream* stream);

// sdl_sound_backend.cpp: soundInit() on a given device, the output turned by
// a thread of its own when ownThread, else by hand with turnOutput().
bool startSound(int mixRate, int maxChannels, unsigned flags, const OutputDevice& device, bool ownThread);

// sound_mixer.cpp: the consumer. Mixes every stream into out and hands the
// position on; runs on the device's callback or the silent pace.
void consumeAll(int16_t* out, int frames, uint64_t stamp);
// Fades the first RAMP_FRAMES frames of out in, as a move's music fades in.
void fadeIn(int16_t* out, int frames);

// sound_output.cpp: the device's callback, the watch over the device and the
// silent pace, and the hand-overs between them.
void deviceCallback(void* unused, Uint8* bytes, int length);
// Opens the device, or finds none and says so, and starts the watch on it;
// false when the output thread cannot be started.
bool startOutput(bool ownThread);
// One turn: watches the device and runs the silent pace up to now; answers
// when the next turn falls due.
uint64_t turnOutput(uint64_t now);
// Stops the output thread, if any, and closes the device.
void stopOutput();

// Keeps the system sound library's own diagnostics off stderr (ALSA's on
// Linux, alsa_messages.cpp; Windows' drivers print none,
// quiet_windows_drivers.cpp); call before SDL's audio starts.
void quietDriverMessages();

}  // namespace sound_internal
