// SDL's output as the front half sees it (audio/sound_backend.h): starting
// and stopping the output the other files run, each stream's ring and
// decoder thread, the moves and stops handed to the consumer through the
// stream's atomics, and the position read from the consumer's hand-overs.
#include "audio/sdl/sdl_sound_internal.h"

#include <algorithm>
#include <system_error>

namespace sound_internal {

Output output;

// A run whose open failed never calls soundClose(); its threads must still
// be stopped before the process goes, or the exit aborts.
Output::~Output() { soundClose(); }

namespace {

// SDL reports no latency: the device is taken to hold this many periods
// beyond the one a callback hands over.
constexpr int QUEUED_PERIODS = 2;

struct Snapshot {
    uint32_t epoch;
    int64_t before;
    int64_t after;
    uint64_t stamp;
};

// The device and the threading a start takes: soundInit()'s are SDL's own.
struct StartWith {
    const OutputDevice* device;
    bool ownThread;
};
constexpr StartWith SDL_START{&SDL_OUTPUT_DEVICE, true};
StartWith nextStart = SDL_START;

}  // namespace

namespace platform_output {

const char* start(int rate, int channels) {
    output.calls = nextStart.device;
    output.rate = rate;
    output.periodFrames = REQUESTED_PERIOD_FRAMES;
    output.counterFrequency = output.calls->frequency();
    output.channelVolumes = std::make_unique<std::atomic<int>[]>(static_cast<size_t>(channels));
    for (int channel = 0; channel < channels; ++channel)
        output.channelVolumes[channel].store(FULL_VOLUME);
    output.detached.store(true);
    if (!startOutput(nextStart.ownThread)) {
        output.channelVolumes.reset();
        return "cannot start the output thread";
    }
    return nullptr;
}

void stop() { stopOutput(); }

void closeStream(OutputStream* stream) { sound_internal::closeStream(stream); }

const char* openStream(Mp3File& file, OutputStream*& opened) {
    OutputStream* stream = new OutputStream(file);
    stream->ring.resize(RING_BLOCKS);
    if (!decodeFirstBlock(*stream)) {
        sound_internal::closeStream(stream);
        return NO_MP3_DATA;
    }
    try {
        stream->decoderThread = std::thread(runDecoder, std::ref(*stream));
    } catch (const std::system_error&) {
        sound_internal::closeStream(stream);
        return "cannot start the decoder thread";
    }
    opened = stream;
    return nullptr;
}

void play(OutputStream& stream, int channel) {
    stream.lastRead = clockNow();
    stream.channel.store(channel, std::memory_order_relaxed);
    // release: the consumer that acquires playing sees the epoch and channel set before.
    stream.playing.store(true, std::memory_order_release);
}

void stopStream(OutputStream& stream) { stream.playing.store(false, std::memory_order_release); }

void move(OutputStream& stream, int64_t frame) {
    stream.seekTarget.store(frame, std::memory_order_relaxed);
    stream.epoch.fetch_add(1, std::memory_order_release);
}

int64_t heardSince(OutputStream& stream) {
    // The reader of publishSnapshot()'s sequence lock. seq_cst loads: the
    // second read of the count must not be done ahead of the fields, which
    // acquire alone would allow; an odd or moved count means a hand-over was
    // being written, so read again.
    Snapshot snapshot{};
    for (;;) {
        const uint32_t sequence = stream.snapshotSequence.load();
        snapshot = Snapshot{stream.snapshotEpoch.load(), stream.snapshotBefore.load(), stream.snapshotAfter.load(),
                            stream.snapshotStamp.load()};
        if ((sequence & 1) == 0 && stream.snapshotSequence.load() == sequence)
            break;
        std::this_thread::yield();
    }
    const uint64_t current = clockNow();
    // A read this late means the process was stopped, and the output goes on
    // from where it stood (sound_output.cpp): until the next hand-over, time
    // counts only as far as the last one reached, not across the stop.
    if (current > stream.lastRead && current - stream.lastRead > msToTicks(STALL_LIMIT_MS))
        stream.heldStamp = snapshot.stamp;
    stream.lastRead = current;
    if (snapshot.stamp == 0 || snapshot.epoch != stream.epoch.load(std::memory_order_relaxed))
        return 0;
    const int64_t handedOn = snapshot.after - snapshot.before;
    const int64_t reach =
        snapshot.stamp == stream.heldStamp ? handedOn : handedOn + msToFrames(INTERPOLATION_REACH_MS);
    const uint64_t since = current > snapshot.stamp ? std::min(current - snapshot.stamp, framesToTicks(reach)) : 0;
    return std::max<int64_t>(0, snapshot.before - QUEUED_PERIODS * output.periodFrames + ticksToFrames(since));
}

// The output thread watches the device; the main thread has nothing to add.
void watch() {}

void setChannelVolume(int channel, int volume) {
    output.channelVolumes[channel].store(volume, std::memory_order_relaxed);
}

void setMasterVolume(int volume) { output.masterVolume.store(volume, std::memory_order_relaxed); }

}  // namespace platform_output

bool startSound(int mixRate, int maxChannels, unsigned flags, const OutputDevice& device, bool ownThread) {
    nextStart = StartWith{&device, ownThread};
    const bool started = startSoundOn(mixRate, maxChannels, flags, platformSoundBackend());
    nextStart = SDL_START;
    return started;
}

}  // namespace sound_internal
