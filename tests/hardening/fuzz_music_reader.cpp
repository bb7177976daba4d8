// libFuzzer target: any bytes, as a file, through the show's own reading of
// its music with no output and no thread: the player's file callbacks, the
// stream's decoder, its first block, then the decoder loop's passes through a
// move and on to the end, with the ring read as fast as it is written. The
// output, the mixer and the recorder's reader are fuzz_sound_stream's.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/sdl/sdl_sound_internal.h"
#include "audio/stream_music_player.h"
#include "tests/support/memory_file.h"

using namespace sound_internal;

namespace {

constexpr long MIX_RATE = 44100;
// Spreads the move's target over the first seconds of a stream.
constexpr uint32_t SEEK_MS_PER_STEP = 20;
// Blocks decoded before the move, as the output would have played.
constexpr int BLOCKS_BEFORE_MOVE = 3;

// A block as the decoder must leave it: of the epoch it was decoded in, and
// no larger than the block.
void checkBlock(const OutputStream& stream, uint64_t index, uint32_t epoch) {
    const RingBlock& block = stream.ring[index % RING_BLOCKS];
    if (block.epoch != epoch || block.frames <= 0 || block.frames > BLOCK_FRAMES)
        std::abort();
}

// Runs the loop's passes, taking each new block as the output would, until
// the decoder has nothing to do; with the ring always read, that is the end.
void decodeOn(OutputStream& stream, DecoderState& state, int blockLimit) {
    for (int blocks = 0; blocks < blockLimit;) {
        const uint64_t before = stream.blocksWritten.load(std::memory_order_relaxed);
        if (!decoderStep(stream, state))
            return;
        const uint64_t after = stream.blocksWritten.load(std::memory_order_relaxed);
        if (after != before) {
            if (after != before + 1)
                std::abort();
            checkBlock(stream, before, state.epoch);
            stream.blocksRead.store(after, std::memory_order_release);
            ++blocks;
        }
    }
}

void readStream(const char* path, uint32_t seekMs) {
    // One ring serves every run: a fresh one's pages cost more than the
    // decoding, and the blocks' checks never read a slot before it is written.
    static std::vector<RingBlock> ring(RING_BLOCKS);
    Mp3File mp3;
    OutputStream* stream = new OutputStream(mp3);
    stream->ring.swap(ring);
    if (mp3.open(path, MIX_RATE) == nullptr && decodeFirstBlock(*stream)) {
        checkBlock(*stream, 0, 0);
        stream->blocksRead.store(1, std::memory_order_release);
        DecoderState state = decoderStart(*stream);
        decodeOn(*stream, state, BLOCKS_BEFORE_MOVE);
        // A move, as the player's setPosition makes it.
        stream->seekTarget.store(int64_t{seekMs} * MIX_RATE / MS_PER_SECOND, std::memory_order_relaxed);
        stream->epoch.fetch_add(1, std::memory_order_release);
        decodeOn(*stream, state, INT32_MAX);
        if (!state.ended || stream->endedEpoch.load(std::memory_order_relaxed) != state.epoch)
            std::abort();
    }
    stream->ring.swap(ring);
    closeStream(stream);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MemoryFile file("fuzz-music");
    file.replace(data, size);
    soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
    const uint32_t seekMs = size == 0 ? 0 : data[size / 2] * SEEK_MS_PER_STEP;
    readStream(file.path.c_str(), seekMs);
    return 0;
}
