// The consumer: takes each playing stream's next frames out of its ring,
// mixes them at the stream's gain and publishes the position it handed on.
// When a stream moves or stops, what it would have played next fades out
// while the music found at the new position fades in.
// Runs on the device's callback or the silent pace: never allocates, locks,
// logs or throws.
#include "audio/sdl/sdl_sound_internal.h"

#include <algorithm>
#include <cstring>

namespace sound_internal {

namespace {

constexpr int FULL_GAIN = FULL_VOLUME * FULL_VOLUME;

int clampVolume(int volume) { return std::clamp(volume, 0, FULL_VOLUME); }

bool epochBefore(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

void mixFrames(int16_t* out, const int16_t* in, int frames, int gain) {
    for (int i = 0; i < frames * OUTPUT_CHANNELS; ++i) {
        const int mixed = out[i] + in[i] * gain / FULL_GAIN;
        out[i] = static_cast<int16_t>(std::clamp(mixed, INT16_MIN, INT16_MAX));
    }
}

// As mixFrames, frame f further scaled by (level + slope x f) / RAMP_FRAMES.
void mixRamp(int16_t* out, const int16_t* in, int frames, int gain, int level, int slope) {
    constexpr int64_t FULL_RAMP = int64_t{FULL_GAIN} * RAMP_FRAMES;
    for (int f = 0; f < frames; ++f, level += slope) {
        for (int c = 0; c < OUTPUT_CHANNELS; ++c) {
            const int i = f * OUTPUT_CHANNELS + c;
            const int64_t mixed = out[i] + int64_t{in[i]} * gain * level / FULL_RAMP;
            out[i] = static_cast<int16_t>(std::clamp<int64_t>(mixed, INT16_MIN, INT16_MAX));
        }
    }
}

void dropStale(OutputStream& stream, uint32_t epoch) {
    uint64_t read = stream.blocksRead.load(std::memory_order_relaxed);
    const uint64_t written = stream.blocksWritten.load(std::memory_order_acquire);
    while (read != written && epochBefore(stream.ring[read % RING_BLOCKS].epoch, epoch)) {
        stream.blockOffset = 0;
        stream.blocksRead.store(++read, std::memory_order_release);
    }
}

// Mixes the epoch's next frames into out; the first of them fade in when
// rampFrom, the epoch's frame count at out, is below RAMP_FRAMES.
int copyFrames(OutputStream& stream, uint32_t epoch, int16_t* out, int frames, int gain, int64_t rampFrom) {
    int done = 0;
    uint64_t read = stream.blocksRead.load(std::memory_order_relaxed);
    while (done < frames && read != stream.blocksWritten.load(std::memory_order_acquire)) {
        const RingBlock& block = stream.ring[read % RING_BLOCKS];
        if (block.epoch != epoch)
            break;
        const int n = std::min(block.frames - stream.blockOffset, frames - done);
        int16_t* to = out + done * OUTPUT_CHANNELS;
        const int16_t* from = block.samples + stream.blockOffset * OUTPUT_CHANNELS;
        const int64_t at = rampFrom + done;
        const int ramped = at < RAMP_FRAMES ? static_cast<int>(std::min<int64_t>(n, RAMP_FRAMES - at)) : 0;
        mixRamp(to, from, ramped, gain, static_cast<int>(at), 1);
        mixFrames(to + ramped * OUTPUT_CHANNELS, from + ramped * OUTPUT_CHANNELS, n - ramped, gain);
        done += n;
        stream.blockOffset += n;
        if (stream.blockOffset == block.frames) {
            stream.blockOffset = 0;
            stream.blocksRead.store(++read, std::memory_order_release);
        }
    }
    return done;
}

// Takes what the epoch would have played next out of the ring, to fade out.
void keepTail(OutputStream& stream, uint32_t epoch) {
    std::memset(stream.tail, 0, sizeof stream.tail);
    stream.tailFrames = copyFrames(stream, epoch, stream.tail, RAMP_FRAMES, FULL_GAIN, RAMP_FRAMES);
    stream.tailDone = 0;
}

void mixTail(OutputStream& stream, int16_t* out, int frames, int gain) {
    const int n = std::min(frames, stream.tailFrames - stream.tailDone);
    if (n <= 0)
        return;
    mixRamp(out, stream.tail + stream.tailDone * OUTPUT_CHANNELS, n, gain, RAMP_FRAMES - stream.tailDone, -1);
    stream.tailDone += n;
}

// The writer of the sequence lock read by the main thread. seq_cst stores:
// the odd count must be seen before any field changes and the fields before
// the even count; a release store orders only what comes before it, so it
// would let a field be seen ahead of the odd count.
void publishSnapshot(OutputStream& stream, uint32_t epoch, int64_t before, uint64_t stamp) {
    const uint32_t sequence = stream.snapshotSequence.load(std::memory_order_relaxed);
    stream.snapshotSequence.store(sequence + 1);
    stream.snapshotEpoch.store(epoch);
    stream.snapshotBefore.store(before);
    stream.snapshotAfter.store(stream.handed);
    stream.snapshotStamp.store(stamp);
    stream.snapshotSequence.store(sequence + 2);
}

void consumeStream(OutputStream& stream, int16_t* out, int frames, uint64_t stamp) {
    // playing first: play() moves the epoch before it sets playing.
    const bool playing = stream.playing.load(std::memory_order_acquire);
    const uint32_t epoch = stream.epoch.load(std::memory_order_acquire);
    const bool moved = epoch != stream.consumerEpoch;
    if (stream.consumerPlaying && (moved || !playing))
        keepTail(stream, stream.consumerEpoch);
    stream.consumerPlaying = playing;
    if (moved) {
        stream.consumerEpoch = epoch;
        stream.handed = 0;
        stream.rampingIn = true;
    }
    // Read before the ring: once set, every block of the epoch is in it.
    const bool ended = stream.endedEpoch.load(std::memory_order_acquire) == epoch;
    dropStale(stream, epoch);
    const int channelVolume = output.channelVolumes[stream.channel.load(std::memory_order_relaxed)].load(
        std::memory_order_relaxed);
    const int gain = clampVolume(channelVolume) * clampVolume(output.masterVolume.load(std::memory_order_relaxed));
    mixTail(stream, out, frames, gain);
    if (!playing)
        return;
    const int64_t rampFrom = stream.rampingIn ? stream.handed : RAMP_FRAMES;
    const int copied = copyFrames(stream, epoch, out, frames, gain, rampFrom);
    const int64_t before = stream.handed;
    // Past the last sample silence counts, so the position goes on; an
    // underrun does not.
    stream.handed += ended ? frames : copied;
    publishSnapshot(stream, epoch, before, stamp);
}

}  // namespace

void fadeIn(int16_t* out, int frames) {
    const int ramped = std::min(frames, RAMP_FRAMES);
    for (int f = 0; f < ramped; ++f) {
        for (int c = 0; c < OUTPUT_CHANNELS; ++c) {
            int16_t& sample = out[f * OUTPUT_CHANNELS + c];
            sample = static_cast<int16_t>(sample * f / RAMP_FRAMES);
        }
    }
}

void consumeAll(int16_t* out, int frames, uint64_t stamp) {
    std::memset(out, 0, static_cast<size_t>(frames) * SAMPLE_FRAME_BYTES);
    const int count = registeredCount();
    for (int i = 0; i < count; ++i)
        consumeStream(registeredStream(i), out, frames, stamp);
}

}  // namespace sound_internal
