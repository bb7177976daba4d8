// The consumer: takes each playing stream's next frames out of its ring,
// mixes them at the stream's gain and publishes the position it handed on.
// Runs on the SDL audio thread or the silent pace: never allocates, locks,
// logs or throws.
#include "audio/sound_system_internal.h"

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

void dropStale(SoundStream& stream, uint32_t epoch) {
    uint64_t read = stream.blocksRead.load(std::memory_order_relaxed);
    const uint64_t written = stream.blocksWritten.load(std::memory_order_acquire);
    while (read != written && epochBefore(stream.ring[read % RING_BLOCKS].epoch, epoch)) {
        stream.blockOffset = 0;
        stream.blocksRead.store(++read, std::memory_order_release);
    }
}

int copyFrames(SoundStream& stream, uint32_t epoch, int16_t* out, int frames, int gain) {
    int done = 0;
    uint64_t read = stream.blocksRead.load(std::memory_order_relaxed);
    while (done < frames && read != stream.blocksWritten.load(std::memory_order_acquire)) {
        const RingBlock& block = stream.ring[read % RING_BLOCKS];
        if (block.epoch != epoch)
            break;
        const int n = std::min(block.frames - stream.blockOffset, frames - done);
        mixFrames(out + done * OUTPUT_CHANNELS, block.samples + stream.blockOffset * OUTPUT_CHANNELS, n, gain);
        done += n;
        stream.blockOffset += n;
        if (stream.blockOffset == block.frames) {
            stream.blockOffset = 0;
            stream.blocksRead.store(++read, std::memory_order_release);
        }
    }
    return done;
}

// The writer of the sequence lock read by the main thread. seq_cst stores:
// the odd count must be seen before any field changes and the fields before
// the even count; a release store orders only what comes before it, so it
// would let a field be seen ahead of the odd count.
void publishSnapshot(SoundStream& stream, uint32_t epoch, int64_t before, uint64_t stamp) {
    const uint32_t sequence = stream.snapshotSequence.load(std::memory_order_relaxed);
    stream.snapshotSequence.store(sequence + 1);
    stream.snapshotEpoch.store(epoch);
    stream.snapshotBefore.store(before);
    stream.snapshotAfter.store(stream.handed);
    stream.snapshotStamp.store(stamp);
    stream.snapshotSequence.store(sequence + 2);
}

void consumeStream(SoundStream& stream, int16_t* out, int frames, uint64_t stamp) {
    // playing first: play() moves the epoch before it sets playing.
    const bool playing = stream.playing.load(std::memory_order_acquire);
    const uint32_t epoch = stream.epoch.load(std::memory_order_acquire);
    if (epoch != stream.consumerEpoch) {
        stream.consumerEpoch = epoch;
        stream.handed = 0;
    }
    // Read before the ring: once set, every block of the epoch is in it.
    const bool ended = stream.endedEpoch.load(std::memory_order_acquire) == epoch;
    dropStale(stream, epoch);
    if (!playing)
        return;
    const int channelVolume = output.channelVolumes[stream.channel.load(std::memory_order_relaxed)].load(
        std::memory_order_relaxed);
    const int gain = clampVolume(channelVolume) * clampVolume(masterVolume.load(std::memory_order_relaxed));
    const int copied = copyFrames(stream, epoch, out, frames, gain);
    const int64_t before = stream.handed;
    // Past the last sample silence counts, so the position goes on; an
    // underrun does not.
    stream.handed += ended ? frames : copied;
    publishSnapshot(stream, epoch, before, stamp);
}

}  // namespace

void consumeAll(int16_t* out, int frames, uint64_t stamp) {
    std::memset(out, 0, static_cast<size_t>(frames) * FRAME_BYTES);
    const int count = output.streamCount.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i)
        consumeStream(*output.streams[i].load(std::memory_order_acquire), out, frames, stamp);
}

}  // namespace sound_internal
