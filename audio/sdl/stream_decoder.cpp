// The decoder: one thread per stream decodes ahead into the stream's ring,
// and starts again from the seek target whenever the epoch moves.
#include "audio/sdl/sdl_sound_internal.h"

#include <cstdio>

namespace sound_internal {

namespace {

constexpr auto DECODER_IDLE = std::chrono::milliseconds(5);

bool decodeBlock(OutputStream& stream, uint32_t epoch, uint64_t written) {
    RingBlock& block = stream.ring[written % RING_BLOCKS];
    size_t bytes = 0;
    const int result = mpg123_read(stream.mp3.decoder(), block.samples, sizeof block.samples, &bytes);
    block.epoch = epoch;
    block.frames = static_cast<int>(bytes / SAMPLE_FRAME_BYTES);
    if (block.frames > 0)
        stream.blocksWritten.store(written + 1, std::memory_order_release);
    return result == MPG123_OK || result == MPG123_NEW_FORMAT;
}

void markEnded(OutputStream& stream, uint32_t epoch) {
    stream.endedEpoch.store(epoch, std::memory_order_release);
}

}  // namespace

bool decoderStep(OutputStream& stream, DecoderState& state) {
    const uint32_t wanted = stream.epoch.load(std::memory_order_acquire);
    if (wanted != state.epoch) {
        state.epoch = wanted;
        state.blocksOfEpoch = 0;
        const off_t target = static_cast<off_t>(stream.seekTarget.load(std::memory_order_relaxed));
        state.ended = mpg123_seek(stream.mp3.decoder(), target, SEEK_SET) < 0;
        if (state.ended)
            markEnded(stream, state.epoch);
        return true;
    }
    const uint64_t written = stream.blocksWritten.load(std::memory_order_relaxed);
    const uint64_t room = state.blocksOfEpoch < SEEK_ROOM_BLOCKS ? RING_BLOCKS : RING_BLOCKS - SEEK_ROOM_BLOCKS;
    const bool full = written - stream.blocksRead.load(std::memory_order_acquire) >= room;
    if (state.ended || full)
        return false;
    ++state.blocksOfEpoch;
    if (!decodeBlock(stream, state.epoch, written)) {
        state.ended = true;
        markEnded(stream, state.epoch);
    }
    return true;
}

DecoderState decoderStart(const OutputStream& stream) {
    DecoderState state;
    state.ended = stream.endedEpoch.load(std::memory_order_relaxed) == 0;
    return state;
}

void runDecoder(OutputStream& stream) {
    DecoderState state = decoderStart(stream);
    while (!stream.quit.load(std::memory_order_acquire)) {
        if (!decoderStep(stream, state))
            std::this_thread::sleep_for(DECODER_IDLE);
    }
}

// Decodes the first block of the opened file into the ring, which proves it
// holds samples, not only a header.
bool decodeFirstBlock(OutputStream& stream) {
    const bool more = decodeBlock(stream, 0, 0);
    if (stream.blocksWritten.load(std::memory_order_relaxed) == 0)
        return false;
    if (!more)
        markEnded(stream, 0);
    return true;
}

void closeStream(OutputStream* stream) {
    stream->quit.store(true, std::memory_order_release);
    if (stream->decoderThread.joinable())
        stream->decoderThread.join();
    // The file outlives the stream: the front half closes it after this.
    delete stream;
}

}  // namespace sound_internal
