// The front half of the sound layer, the same on every platform: the
// registry of open streams, the channels and volumes, and the rules of play,
// stop and move. Each call checks its stream against the registry, keeps the
// bookkeeping, and hands the output (audio/sound_backend.h) only what it
// must do with the samples.
#include "audio/sound_system.h"

#include <algorithm>
#include <atomic>
#include <type_traits>

#include "audio/sound_backend.h"
#include "audio/sound_requests.h"
#include "audio/volume.h"

using namespace sound_internal;

struct SoundStream {
    Mp3File mp3;
    // Set before the stream is registered, then left alone: the output's
    // threads reach it through the registry.
    OutputStream* output = nullptr;
    // Main thread only, in frames.
    int channel = 0;
    bool playing = false;
    int64_t baseFrames = 0;    // where the stream last moved to
    int64_t frozenFrames = 0;  // the position while stopped
    int64_t lastReported = 0;  // never backwards while playing
    bool resumeNeedsSeek = false;  // the output went on past the frozen position
};

namespace {

struct Front {
    const SoundBackend* backend = nullptr;
    bool started = false;
    int rate = 0;
    int channelCount = 0;
    int channelVolumes[CHANNEL_LIMIT] = {};
    // Kept for the whole process, set before soundInit() or not.
    int masterVolume = FULL_VOLUME;
    // release on the main thread's stores, acquire on the output's loads.
    std::atomic<SoundStream*> streams[STREAM_CAPACITY] = {};
    std::atomic<int> streamCount{0};
};

// An output that stops itself at the process's exit closes the layer from
// its own destructor; with nothing to destroy, this one is still whole then.
static_assert(std::is_trivially_destructible<Front>::value, "the front half outlives every output");
Front front;

const SoundBackend& backend() { return *front.backend; }

constexpr SoundBackend platformTable() {
    SoundBackend table{};
    table.start = platform_output::start;
    table.stop = platform_output::stop;
    table.openStream = platform_output::openStream;
    table.closeStream = platform_output::closeStream;
    table.play = platform_output::play;
    table.stopStream = platform_output::stopStream;
    table.move = platform_output::move;
    table.heardSince = platform_output::heardSince;
    table.watch = platform_output::watch;
    table.setChannelVolume = platform_output::setChannelVolume;
    table.setMasterVolume = platform_output::setMasterVolume;
    return table;
}

constexpr SoundBackend PLATFORM_BACKEND = platformTable();

SoundStream* liveStream(SoundStream* stream) {
    const int count = front.streamCount.load(std::memory_order_relaxed);
    for (int i = 0; stream != nullptr && i < count; ++i) {
        if (front.streams[i].load(std::memory_order_relaxed) == stream)
            return stream;
    }
    return nullptr;
}

bool channelExists(int channel) { return front.started && channel >= 0 && channel < front.channelCount; }

int64_t heardFrames(SoundStream& stream) {
    if (!stream.playing)
        return stream.frozenFrames;
    stream.lastReported = std::max(stream.lastReported, stream.baseFrames + backend().heardSince(*stream.output));
    return stream.lastReported;
}

void moveTo(SoundStream& stream, int64_t frames) {
    backend().move(*stream.output, frames);
    stream.baseFrames = frames;
    stream.frozenFrames = frames;
    stream.lastReported = frames;
    stream.resumeNeedsSeek = false;
}

void stopStream(SoundStream& stream) {
    if (!stream.playing)
        return;
    stream.frozenFrames = heardFrames(stream);
    stream.playing = false;
    backend().stopStream(*stream.output);
    // What the output went on with beyond the frozen position is gone.
    stream.resumeNeedsSeek = true;
}

}  // namespace

namespace sound_internal {

bool startSoundOn(int mixRate, int maxChannels, unsigned flags, const SoundBackend& output) {
    if (front.started)
        return true;
    if (const char* refusal = outputSettingsRefusal(mixRate, maxChannels, flags)) {
        setLastError(refusal);
        return false;
    }
    mpg123_init();
    if (const char* failure = output.start(mixRate, maxChannels)) {
        setLastError(failure);
        return false;
    }
    front.backend = &output;
    front.rate = mixRate;
    front.channelCount = maxChannels;
    std::fill_n(front.channelVolumes, maxChannels, FULL_VOLUME);
    output.setMasterVolume(front.masterVolume);
    front.started = true;
    return true;
}

const SoundBackend& platformSoundBackend() { return PLATFORM_BACKEND; }

int registeredCount() { return front.streamCount.load(std::memory_order_acquire); }

OutputStream& registeredStream(int index) { return *front.streams[index].load(std::memory_order_acquire)->output; }

}  // namespace sound_internal

bool soundInit(int mixRate, int maxChannels, unsigned flags) {
    return startSoundOn(mixRate, maxChannels, flags, platformSoundBackend());
}

SoundStream* soundStreamOpen(const char* path, unsigned mode, int offset) {
    const int slot = front.streamCount.load(std::memory_order_relaxed);
    if (const char* refusal = streamRequestRefusal(front.started, path, mode, offset, slot))
        return failOpen(refusal);

    SoundStream* stream = new SoundStream();
    const char* failure = stream->mp3.open(path, front.rate);
    if (failure == nullptr)
        failure = backend().openStream(stream->mp3, stream->output);
    if (failure != nullptr) {
        delete stream;
        return failOpen(failure);
    }
    // release: the output that acquires the count sees the slot and the stream in it.
    front.streams[slot].store(stream, std::memory_order_release);
    front.streamCount.store(slot + 1, std::memory_order_release);
    return stream;
}

int soundStreamPlay(int channel, SoundStream* stream) {
    SoundStream* played = liveStream(stream);
    if (played == nullptr || !channelExists(channel))
        return -1;
    const int count = front.streamCount.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        SoundStream& other = *front.streams[i].load(std::memory_order_relaxed);
        if (&other == played || other.channel == channel)
            stopStream(other);
    }
    if (played->resumeNeedsSeek)
        moveTo(*played, played->frozenFrames);
    played->lastReported = played->baseFrames;
    played->channel = channel;
    played->playing = true;
    backend().play(*played->output, channel);
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
    backend().watch();
    const int64_t ms = heardFrames(*timed) * MS_PER_SECOND / front.rate;
    return static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
}

bool soundStreamSetPosition(SoundStream* stream, uint32_t ms) {
    SoundStream* moved = liveStream(stream);
    if (moved == nullptr)
        return false;
    moveTo(*moved, msToFrames(ms, front.rate));
    return true;
}

bool soundSetChannelVolume(int channel, int volume) {
    if (!channelExists(channel))
        return false;
    front.channelVolumes[channel] = volume;
    backend().setChannelVolume(channel, volume);
    return true;
}

int soundChannelVolume(int channel) { return channelExists(channel) ? front.channelVolumes[channel] : -1; }

void soundSetMasterVolume(int volume) {
    front.masterVolume = volume;
    if (front.started)
        backend().setMasterVolume(volume);
}

int soundMasterVolume() { return front.masterVolume; }

void soundClose() {
    if (!front.started)
        return;
    backend().stop();
    // With the output stopped, nothing else reaches the streams.
    const int count = front.streamCount.load(std::memory_order_relaxed);
    front.streamCount.store(0, std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        SoundStream* stream = front.streams[i].exchange(nullptr, std::memory_order_relaxed);
        backend().closeStream(stream->output);
        // The file goes after the output's part, which may read it to the last.
        delete stream;
    }
    front.channelCount = 0;
    front.started = false;
}
