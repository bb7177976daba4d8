#include "audio/sound_system.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// mpg123's lseek hands over POSIX origins; the callbacks take 0, 1 and 2.
static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "seek origins must be 0, 1, 2");

namespace {

constexpr int OUTPUT_CHANNELS = 2;
constexpr int FRAME_BYTES = OUTPUT_CHANNELS * static_cast<int>(sizeof(int16_t));
constexpr int REQUESTED_PERIOD_FRAMES = 1024;
// SDL reports no latency: the device is taken to hold this many periods
// beyond the one a callback hands over.
constexpr int QUEUED_PERIODS = 2;
constexpr int BLOCK_FRAMES = 1024;
constexpr int RING_BLOCKS = 32;  // about 0.75 s at 44100 Hz
constexpr int STREAM_CAPACITY = 8;
constexpr int CHANNEL_LIMIT = 1024;
constexpr int FULL_VOLUME = 255;
constexpr int FULL_GAIN = FULL_VOLUME * FULL_VOLUME;
constexpr int MS_PER_SECOND = 1000;
// A device whose callback has not run for this long counts as lost.
constexpr int STALL_LIMIT_MS = 250;
constexpr auto WATCH_INTERVAL = std::chrono::milliseconds(20);
constexpr int WATCH_INTERVAL_MS = static_cast<int>(WATCH_INTERVAL.count());
// Interpolation runs on past the last callback until the silent pace can
// have taken over from a stalled device.
constexpr int INTERPOLATION_REACH_MS = STALL_LIMIT_MS + 2 * WATCH_INTERVAL_MS;
// The silent pace consumes at most this much missed time at once; beyond it
// (a suspended process) it starts afresh from now.
constexpr int MAX_CATCH_UP_MS = 1000;
constexpr auto DECODER_IDLE = std::chrono::milliseconds(5);
constexpr auto DETACH_POLL = std::chrono::milliseconds(1);
constexpr int64_t NO_EPOCH = -1;

struct FileCallbacks {
    SoundFileOpen open;
    SoundFileClose close;
    SoundFileRead read;
    SoundFileSeek seek;
    SoundFileTell tell;
};

// One decoded block, tagged with the epoch (count of position moves) it was
// decoded in, so that the consumer can drop what a move made stale.
struct RingBlock {
    uint32_t epoch;
    int frames;
    int16_t samples[BLOCK_FRAMES * OUTPUT_CHANNELS];
};

}  // namespace

struct SoundStream {
    FileCallbacks callbacks{};
    void* file = nullptr;
    mpg123_handle* decoder = nullptr;
    std::thread decoderThread;
    std::atomic<bool> quit{false};

    // Single-producer (decoder thread), single-consumer (output) ring.
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

namespace {

struct Snapshot {
    uint32_t epoch;
    int64_t before;
    int64_t after;
    uint64_t stamp;
};

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

Output output;
std::atomic<int> masterVolume{FULL_VOLUME};
FileCallbacks fileCallbacks{};
const char* lastError = "";

// ---------------------------------------------------------------- time

uint64_t msToTicks(int ms) { return output.counterFrequency * static_cast<uint64_t>(ms) / MS_PER_SECOND; }

// Rounded up, so that a position set in ms reads back as the same ms.
int64_t msToFrames(int64_t ms) { return (ms * output.rate + MS_PER_SECOND - 1) / MS_PER_SECOND; }

int64_t ticksToFrames(uint64_t ticks) {
    return static_cast<int64_t>(ticks * static_cast<uint64_t>(output.rate) / output.counterFrequency);
}

uint64_t framesToTicks(int64_t frames) {
    return static_cast<uint64_t>(frames) * output.counterFrequency / static_cast<uint64_t>(output.rate);
}

// ---------------------------------------------------------------- file glue

void closeFile(SoundStream& stream) {
    if (stream.file != nullptr) {
        stream.callbacks.close(stream.file);
        stream.file = nullptr;
    }
}

mpg123_ssize_t readThrough(void* handle, void* buffer, size_t bytes) {
    SoundStream& stream = *static_cast<SoundStream*>(handle);
    const int size = static_cast<int>(std::min(bytes, static_cast<size_t>(INT_MAX)));
    const int got = stream.callbacks.read(buffer, size, stream.file);
    return got < 0 ? -1 : got;
}

// Behaves as POSIX lseek: answers the new absolute offset.
off_t seekThrough(void* handle, off_t offset, int whence) {
    SoundStream& stream = *static_cast<SoundStream*>(handle);
    if (offset < INT_MIN || offset > INT_MAX)
        return -1;
    if (stream.callbacks.seek(stream.file, static_cast<int>(offset), static_cast<signed char>(whence)) != 0)
        return -1;
    const int at = stream.callbacks.tell(stream.file);
    return at < 0 ? -1 : at;
}

void cleanupThrough(void* handle) { closeFile(*static_cast<SoundStream*>(handle)); }

// ---------------------------------------------------------------- decoder

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

// ---------------------------------------------------------------- consumer
// Runs on the SDL audio thread or the silent pace: never allocates, locks,
// logs or throws.

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

void consumeAll(int16_t* out, int frames, uint64_t stamp) {
    std::memset(out, 0, static_cast<size_t>(frames) * FRAME_BYTES);
    const int count = output.streamCount.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i)
        consumeStream(*output.streams[i].load(std::memory_order_acquire), out, frames, stamp);
}

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

// ---------------------------------------------------------------- output thread

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

void runOutput() {
    SilentPace pace{SDL_GetPerformanceCounter(), 0};
    std::unique_lock<std::mutex> lock(output.wakeMutex);
    while (!output.quit) {
        if (!output.detached.load()) {
            if (deviceLost()) {
                detachDevice();
                // Go on from the device's last period so the position does not jump.
                pace = SilentPace{output.lastCallback.load(), 1};
                std::fprintf(stderr, "audio: audio device lost; playing in silence\n");
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
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "audio: no audio device (%s); playing in silence\n", SDL_GetError());
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
        std::fprintf(stderr, "audio: no audio device (%s); playing in silence\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output.audioSubsystem = false;
        return;
    }
    if (obtained.samples > 0)
        output.periodFrames = obtained.samples;
    output.detached.store(false);
}

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

// ---------------------------------------------------------------- streams

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
    Snapshot snapshot{};
    for (;;) {
        const uint32_t sequence = stream.snapshotSequence.load();
        snapshot = Snapshot{stream.snapshotEpoch.load(), stream.snapshotBefore.load(), stream.snapshotAfter.load(),
                            stream.snapshotStamp.load()};
        if ((sequence & 1) == 0 && stream.snapshotSequence.load() == sequence)
            break;
        std::this_thread::yield();
    }
    int64_t heard = 0;
    if (snapshot.stamp != 0 && snapshot.epoch == stream.epoch.load(std::memory_order_relaxed)) {
        const uint64_t now = SDL_GetPerformanceCounter();
        const int64_t reach = snapshot.after - snapshot.before + msToFrames(INTERPOLATION_REACH_MS);
        const uint64_t since = now > snapshot.stamp ? std::min(now - snapshot.stamp, framesToTicks(reach)) : 0;
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

SoundStream* failOpen(const char* reason) {
    lastError = reason;
    return nullptr;
}

}  // namespace

bool soundInit(int mixRate, int maxChannels, unsigned flags) {
    if (output.started)
        return true;
    if (mixRate <= 0 || maxChannels <= 0 || maxChannels > CHANNEL_LIMIT || flags != 0) {
        lastError = "unsupported output settings";
        return false;
    }
    mpg123_init();
    output.rate = mixRate;
    output.periodFrames = REQUESTED_PERIOD_FRAMES;
    output.counterFrequency = SDL_GetPerformanceFrequency();
    output.channelCount = maxChannels;
    output.channelVolumes = std::make_unique<std::atomic<int>[]>(static_cast<size_t>(maxChannels));
    for (int channel = 0; channel < maxChannels; ++channel)
        output.channelVolumes[channel].store(FULL_VOLUME);
    output.detached.store(true);
    output.quit = false;
    output.lastCallback.store(SDL_GetPerformanceCounter());
    openDevice();
    output.silentBuffer.assign(static_cast<size_t>(output.periodFrames * OUTPUT_CHANNELS), 0);
    // Running before the watch starts, which takes a paused device for lost.
    if (output.device != 0)
        SDL_PauseAudioDevice(output.device, 0);
    try {
        output.thread = std::thread(runOutput);
    } catch (const std::system_error&) {
        closeDevice();
        output.channelVolumes.reset();
        lastError = "cannot start the output thread";
        return false;
    }
    output.started = true;
    return true;
}

void soundSetFileCallbacks(SoundFileOpen open, SoundFileClose close, SoundFileRead read, SoundFileSeek seek,
                           SoundFileTell tell) {
    fileCallbacks = FileCallbacks{open, close, read, seek, tell};
}

SoundStream* soundStreamOpen(const char* path, unsigned mode, int offset) {
    if (!output.started)
        return failOpen("the sound output is not started");
    if (path == nullptr || mode != 0 || offset != 0)
        return failOpen("unsupported stream request");
    const FileCallbacks& callbacks = fileCallbacks;
    if (callbacks.open == nullptr || callbacks.close == nullptr || callbacks.read == nullptr ||
        callbacks.seek == nullptr || callbacks.tell == nullptr)
        return failOpen("no file callbacks set");
    const int slot = output.streamCount.load(std::memory_order_relaxed);
    if (slot == STREAM_CAPACITY)
        return failOpen("too many open streams");

    SoundStream* stream = new SoundStream();
    stream->callbacks = callbacks;
    stream->ring.resize(RING_BLOCKS);
    stream->file = callbacks.open(path);
    if (stream->file == nullptr) {
        closeStream(stream);
        return failOpen("the file cannot be opened");
    }
    if (!openDecoder(*stream)) {
        closeStream(stream);
        return failOpen("the file holds no playable MP3 data");
    }
    try {
        stream->decoderThread = std::thread(runDecoder, std::ref(*stream));
    } catch (const std::system_error&) {
        closeStream(stream);
        return failOpen("cannot start the decoder thread");
    }
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
    played->channel.store(channel, std::memory_order_relaxed);
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

const char* soundLastError() { return lastError; }

void soundClose() {
    if (!output.started)
        return;
    {
        std::lock_guard<std::mutex> lock(output.wakeMutex);
        output.quit = true;
    }
    output.wake.notify_all();
    output.thread.join();
    closeDevice();
    const int count = output.streamCount.load(std::memory_order_relaxed);
    output.streamCount.store(0, std::memory_order_relaxed);
    for (int i = 0; i < count; ++i)
        closeStream(output.streams[i].exchange(nullptr, std::memory_order_relaxed));
    output.channelVolumes.reset();
    output.channelCount = 0;
    output.started = false;
}

namespace {

// A run whose open failed never calls soundClose(); its threads must still
// be stopped before the process goes, or the exit aborts.
Output::~Output() { soundClose(); }

}  // namespace
