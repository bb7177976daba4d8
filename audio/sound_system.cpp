// The registry of open streams and the public calls: each call checks its
// stream against the registry, then works on the output the other files run.
#include "audio/sound_system.h"

#include "audio/sound_system_internal.h"

#include <algorithm>
#include <system_error>

using namespace sound_internal;

namespace sound_internal {

Output output;
std::atomic<int> masterVolume{FULL_VOLUME};

// A run whose open failed never calls soundClose(); its threads must still
// be stopped before the process goes, or the exit aborts.
Output::~Output() { soundClose(); }

}  // namespace sound_internal

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

SoundStream* liveStream(SoundStream* stream) {
    const int count = output.streamCount.load(std::memory_order_relaxed);
    for (int i = 0; stream != nullptr && i < count; ++i) {
        if (output.streams[i].load(std::memory_order_relaxed) == stream)
            return stream;
    }
    return nullptr;
}

int64_t heardFrames(SoundStream& stream) {
    if (!stream.playing.load(std::memory_order_relaxed))
        return stream.frozenFrames;
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
    int64_t heard = 0;
    if (snapshot.stamp != 0 && snapshot.epoch == stream.epoch.load(std::memory_order_relaxed)) {
        const int64_t handedOn = snapshot.after - snapshot.before;
        const int64_t reach =
            snapshot.stamp == stream.heldStamp ? handedOn : handedOn + msToFrames(INTERPOLATION_REACH_MS);
        const uint64_t since = current > snapshot.stamp ? std::min(current - snapshot.stamp, framesToTicks(reach)) : 0;
        heard = std::max<int64_t>(0, snapshot.before - QUEUED_PERIODS * output.periodFrames + ticksToFrames(since));
    }
    stream.lastReported = std::max(stream.lastReported, stream.baseFrames + heard);
    return stream.lastReported;
}

void moveTo(SoundStream& stream, int64_t frames) {
    stream.seekTarget.store(frames, std::memory_order_relaxed);
    stream.epoch.fetch_add(1, std::memory_order_release);
    stream.baseFrames = frames;
    stream.frozenFrames = frames;
    stream.lastReported = frames;
    stream.resumeNeedsSeek = false;
}

void stopStream(SoundStream& stream) {
    if (!stream.playing.load(std::memory_order_relaxed))
        return;
    stream.frozenFrames = heardFrames(stream);
    stream.playing.store(false, std::memory_order_release);
    // What was decoded and handed on beyond the frozen position is gone.
    stream.resumeNeedsSeek = true;
}

}  // namespace

namespace sound_internal {

bool startSound(int mixRate, int maxChannels, unsigned flags, const OutputDevice& device, bool ownThread) {
    if (output.started)
        return true;
    if (const char* refusal = outputSettingsRefusal(mixRate, maxChannels, flags)) {
        setLastError(refusal);
        return false;
    }
    mpg123_init();
    output.calls = &device;
    output.rate = mixRate;
    output.periodFrames = REQUESTED_PERIOD_FRAMES;
    output.counterFrequency = device.frequency();
    output.channelCount = maxChannels;
    output.channelVolumes = std::make_unique<std::atomic<int>[]>(static_cast<size_t>(maxChannels));
    for (int channel = 0; channel < maxChannels; ++channel)
        output.channelVolumes[channel].store(FULL_VOLUME);
    output.detached.store(true);
    if (!startOutput(ownThread)) {
        output.channelVolumes.reset();
        setLastError("cannot start the output thread");
        return false;
    }
    output.started = true;
    return true;
}

}  // namespace sound_internal

bool soundInit(int mixRate, int maxChannels, unsigned flags) {
    return startSound(mixRate, maxChannels, flags, SDL_OUTPUT_DEVICE, true);
}

SoundStream* soundStreamOpen(const char* path, unsigned mode, int offset) {
    const int slot = output.streamCount.load(std::memory_order_relaxed);
    if (const char* refusal = streamRequestRefusal(output.started, path, mode, offset, slot))
        return failOpen(refusal);

    SoundStream* stream = new SoundStream();
    stream->ring.resize(RING_BLOCKS);
    const char* failure = stream->mp3.open(path, output.rate);
    if (failure == nullptr && !decodeFirstBlock(*stream))
        failure = NO_MP3_DATA;
    if (failure != nullptr) {
        closeStream(stream);
        return failOpen(failure);
    }
    try {
        stream->decoderThread = std::thread(runDecoder, std::ref(*stream));
    } catch (const std::system_error&) {
        closeStream(stream);
        return failOpen("cannot start the decoder thread");
    }
    // release: the consumer that acquires the count sees the slot and the stream in it.
    output.streams[slot].store(stream, std::memory_order_release);
    output.streamCount.store(slot + 1, std::memory_order_release);
    return stream;
}

int soundStreamPlay(int channel, SoundStream* stream) {
    SoundStream* played = liveStream(stream);
    if (played == nullptr || channel < 0 || channel >= output.channelCount)
        return -1;
    const int count = output.streamCount.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        SoundStream& other = *output.streams[i].load(std::memory_order_relaxed);
        if (&other == played || other.channel.load(std::memory_order_relaxed) == channel)
            stopStream(other);
    }
    if (played->resumeNeedsSeek)
        moveTo(*played, played->frozenFrames);
    played->lastReported = played->baseFrames;
    played->lastRead = clockNow();
    played->channel.store(channel, std::memory_order_relaxed);
    // release: the consumer that acquires playing sees the epoch and channel set before.
    played->playing.store(true, std::memory_order_release);
    return channel;
}

bool soundStreamStop(SoundStream* stream) {
    SoundStream* stopped = liveStream(stream);
    if (stopped == nullptr)
        return false;
    stopStream(*stopped);
    return true;
}

uint32_t soundStreamTimeMs(SoundStream* stream) {
    SoundStream* timed = liveStream(stream);
    if (timed == nullptr)
        return 0;
    const int64_t ms = heardFrames(*timed) * MS_PER_SECOND / output.rate;
    return static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
}

bool soundStreamSetPosition(SoundStream* stream, uint32_t ms) {
    SoundStream* moved = liveStream(stream);
    if (moved == nullptr)
        return false;
    moveTo(*moved, msToFrames(ms));
    return true;
}

bool soundSetChannelVolume(int channel, int volume) {
    if (!output.started || channel < 0 || channel >= output.channelCount)
        return false;
    output.channelVolumes[channel].store(volume, std::memory_order_relaxed);
    return true;
}

int soundChannelVolume(int channel) {
    if (!output.started || channel < 0 || channel >= output.channelCount)
        return -1;
    return output.channelVolumes[channel].load(std::memory_order_relaxed);
}

void soundSetMasterVolume(int volume) { masterVolume.store(volume, std::memory_order_relaxed); }

int soundMasterVolume() { return masterVolume.load(std::memory_order_relaxed); }

void soundClose() {
    if (!output.started)
        return;
    stopOutput();
    // With the output thread and the device's joined, nothing consumes the streams.
    const int count = output.streamCount.load(std::memory_order_relaxed);
    output.streamCount.store(0, std::memory_order_relaxed);
    for (int i = 0; i < count; ++i)
        closeStream(output.streams[i].exchange(nullptr, std::memory_order_relaxed));
    output.channelVolumes.reset();
    output.channelCount = 0;
    output.started = false;
}
