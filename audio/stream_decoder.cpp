// The decoder: one thread per stream decodes ahead into the stream's ring,
// and starts again from the seek target whenever the epoch moves.
#include "audio/sound_system_internal.h"

#include <cstdio>

namespace sound_internal {

namespace {

constexpr auto DECODER_IDLE = std::chrono::milliseconds(5);

bool decodeBlock(SoundStream& stream, uint32_t epoch, uint64_t written) {
    RingBlock& block = stream.ring[written % RING_BLOCKS];
    size_t bytes = 0;
    const int result = mpg123_read(stream.decoder, block.samples, sizeof block.samples, &bytes);
    block.epoch = epoch;
    block.frames = static_cast<int>(bytes / FRAME_BYTES);
    if (block.frames > 0)
        stream.blocksWritten.store(written + 1, std::memory_order_release);
    return result == MPG123_OK || result == MPG123_NEW_FORMAT;
}

void markEnded(SoundStream& stream, uint32_t epoch) {
    stream.endedEpoch.store(epoch, std::memory_order_release);
}

}  // namespace

void runDecoder(SoundStream& stream) {
    uint32_t epoch = 0;
    bool ended = stream.endedEpoch.load(std::memory_order_relaxed) == 0;
    while (!stream.quit.load(std::memory_order_acquire)) {
        const uint32_t wanted = stream.epoch.load(std::memory_order_acquire);
        if (wanted != epoch) {
            epoch = wanted;
            const off_t target = static_cast<off_t>(stream.seekTarget.load(std::memory_order_relaxed));
            ended = mpg123_seek(stream.decoder, target, SEEK_SET) < 0;
            if (ended)
                markEnded(stream, epoch);
            continue;
        }
        const uint64_t written = stream.blocksWritten.load(std::memory_order_relaxed);
        const bool full = written - stream.blocksRead.load(std::memory_order_acquire) == RING_BLOCKS;
        if (ended || full) {
            std::this_thread::sleep_for(DECODER_IDLE);
            continue;
        }
        if (!decodeBlock(stream, epoch, written)) {
            ended = true;
            markEnded(stream, epoch);
        }
    }
}

// Opens the decoder on the file and decodes the first block, which proves
// the file holds MP3 data in a format the output takes.
bool openDecoder(SoundStream& stream) {
    stream.decoder = mpg123_new(nullptr, nullptr);
    if (stream.decoder == nullptr)
        return false;
    mpg123_handle* decoder = stream.decoder;
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(decoder);
    if (mpg123_format(decoder, output.rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK)
        return false;
    if (mpg123_replace_reader_handle(decoder, readThrough, seekThrough, cleanupThrough) != MPG123_OK)
        return false;
    if (mpg123_open_handle(decoder, &stream) != MPG123_OK)
        return false;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK || rate != output.rate ||
        channels != OUTPUT_CHANNELS || encoding != MPG123_ENC_SIGNED_16)
        return false;
    const bool more = decodeBlock(stream, 0, 0);
    if (stream.blocksWritten.load(std::memory_order_relaxed) == 0)
        return false;
    if (!more)
        markEnded(stream, 0);
    return true;
}

void closeStream(SoundStream* stream) {
    stream->quit.store(true, std::memory_order_release);
    if (stream->decoderThread.joinable())
        stream->decoderThread.join();
    if (stream->decoder != nullptr) {
        mpg123_close(stream->decoder);
        mpg123_delete(stream->decoder);
    }
    // mpg123 only cleans up a handle it has taken on.
    closeFile(*stream);
    delete stream;
}

}  // namespace sound_internal
