// The sound layer in a web page (audio/sound_system.h) over Web Audio
// (audio/web/web_audio.js). libmpg123 decodes each playing stream a few
// seconds ahead of what is heard, from an interval timer (a hidden tab still
// runs those, animation frames it does not), and every block is scheduled on
// the one AudioContext at its exact sample time. The position is the audio
// clock: the samples heard since the stream started, as the context's output
// timestamp tells. A move or a stop fades the stream out on the context's
// clock and the music found there in, as the desktop's mixer does. Without
// an AudioContext, or when the browser does not let it run, the streams are
// timed on the page's monotonic clock in silence.
//
// Everything runs on the page's one thread; nothing here needs a lock.
#include "audio/sound_system.h"

#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/mp3_file.h"
#include "audio/sound_requests.h"
#include "audio/volume.h"
#include "base/program_message.h"

extern "C" {
// Makes the AudioContext at rate Hz (or the browser's rate) and the master
// gain, with streams fading in and out over rampSeconds; 0 when the browser
// offers no Web Audio.
int webAudioOpen(int rate, double rampSeconds);
int webAudioRunning(void);
// The context's clock: the time being rendered, and the time being heard.
double webAudioNowSeconds(void);
double webAudioHeardSeconds(void);
// Plays frames of 16-bit stereo at rate Hz on the channel, from when on the context's clock.
// The first block since the stream last stopped fades in.
void webAudioSchedule(int stream, int channel, const int16_t* samples, int frames, int rate, double when);
// Fades out what the stream sounds now and drops the rest it has scheduled.
void webAudioStopStream(int stream);
void webAudioSetChannelGain(int channel, double gain);
void webAudioSetMasterGain(double gain);
void webAudioClose(void);
}

using namespace sound_internal;

namespace {

constexpr int BLOCK_FRAMES = 4096;  // one AudioBuffer, about 0.1 s
constexpr int MS_PER_SECOND = 1000;
// A hidden tab runs interval timers about once a second: decode well past that.
constexpr double DECODE_AHEAD_SECONDS = 3.0;
constexpr double TIMER_INTERVAL_MS = 250.0;
// The first block of a play starts this far ahead of the context's clock, so
// that it is never late.
constexpr double START_DELAY_SECONDS = 0.1;
// A play or a move decodes only what is heard before the timer has run
// twice: a viewer's seek then costs a few ms of the frame, not the
// decoding of seconds of music, which the timer does in its own time.
constexpr double FIRST_DECODE_SECONDS = START_DELAY_SECONDS + 2 * TIMER_INTERVAL_MS / 1000;
// A context that has not run for this long while a stream plays (the browser
// wants a user gesture first, or the device went away) is given up: the show
// goes on in silence.
constexpr double STALL_LIMIT_MS = 1000.0;

}  // namespace

struct SoundStream {
    Mp3File mp3;
    int id = 0;
    int channel = 0;
    bool playing = false;
    bool ended = false;           // the decoder has given its last sample
    bool resumeNeedsSeek = false;  // decoded past the frozen position
    // Playing: frame baseFrames is heard at clockStart (seconds on the clock
    // in use), and the decoder stands at baseFrames + scheduledFrames.
    int64_t baseFrames = 0;
    double clockStart = 0;
    int64_t scheduledFrames = 0;
    int64_t frozenFrames = 0;  // the position while stopped
    int64_t lastReported = 0;  // never backwards while playing
};

namespace {

struct Output {
    bool started = false;
    bool audible = false;  // an AudioContext plays the streams
    int rate = 0;
    std::vector<int> channelVolumes;
    SoundStream* streams[STREAM_CAPACITY] = {};
    int streamCount = 0;
    int nextStreamId = 1;
    long timer = 0;
    double stalledSinceMs = 0;  // since when a stream plays on a context that does not run; 0: it runs
};

Output output;
int masterVolume = FULL_VOLUME;
int16_t decodedBlock[BLOCK_FRAMES * OUTPUT_CHANNELS];

double gainOf(int volume) { return static_cast<double>(std::clamp(volume, 0, FULL_VOLUME)) / FULL_VOLUME; }

// Rounded up, so that a position set in ms reads back as the same ms.
int64_t msToFrames(int64_t ms) { return (ms * output.rate + MS_PER_SECOND - 1) / MS_PER_SECOND; }

double clockSeconds() {
    return output.audible ? webAudioHeardSeconds() : emscripten_get_now() / MS_PER_SECOND;
}

// Where a play's first block goes on the clock in use.
double startingClock() {
    return output.audible ? webAudioNowSeconds() + START_DELAY_SECONDS : emscripten_get_now() / MS_PER_SECOND;
}

SoundStream* liveStream(SoundStream* stream) {
    for (int i = 0; stream != nullptr && i < output.streamCount; ++i) {
        if (output.streams[i] == stream)
            return stream;
    }
    return nullptr;
}

int64_t heardFrames(SoundStream& stream) {
    if (!stream.playing)
        return stream.frozenFrames;
    const double since = clockSeconds() - stream.clockStart;
    const int64_t heard = since > 0 ? static_cast<int64_t>(std::floor(since * output.rate)) : 0;
    stream.lastReported = std::max(stream.lastReported, stream.baseFrames + heard);
    return stream.lastReported;
}

// Decodes and schedules the stream up to aheadSeconds past the context's
// clock. A block that would start late (the timer was held up) moves the
// stream's start instead, so the position waits for the sound, as an
// underrun does on the desktop.
void scheduleAhead(SoundStream& stream, double aheadSeconds) {
    if (!stream.playing || !output.audible)
        return;
    const double now = webAudioNowSeconds();
    while (!stream.ended) {
        const double when = stream.clockStart + static_cast<double>(stream.scheduledFrames) / output.rate;
        if (when >= now + aheadSeconds)
            break;
        if (when < now)
            stream.clockStart += now + START_DELAY_SECONDS - when;
        size_t bytes = 0;
        const int result = mpg123_read(stream.mp3.decoder(), decodedBlock, sizeof decodedBlock, &bytes);
        const int frames = static_cast<int>(bytes / SAMPLE_FRAME_BYTES);
        if (frames > 0) {
            webAudioSchedule(stream.id, stream.channel, decodedBlock, frames, output.rate,
                             stream.clockStart + static_cast<double>(stream.scheduledFrames) / output.rate);
            stream.scheduledFrames += frames;
        }
        stream.ended = result != MPG123_OK && result != MPG123_NEW_FORMAT;
    }
}

void startClock(SoundStream& stream) {
    stream.clockStart = startingClock();
    stream.scheduledFrames = 0;
    stream.lastReported = stream.baseFrames;
}

void moveTo(SoundStream& stream, int64_t frames) {
    stream.ended = mpg123_seek(stream.mp3.decoder(), static_cast<off_t>(frames), SEEK_SET) < 0;
    stream.baseFrames = frames;
    stream.frozenFrames = frames;
    stream.resumeNeedsSeek = false;
    if (stream.playing) {
        webAudioStopStream(stream.id);
        startClock(stream);
        scheduleAhead(stream, FIRST_DECODE_SECONDS);
    } else {
        stream.lastReported = frames;
    }
}

void stopStream(SoundStream& stream) {
    if (!stream.playing)
        return;
    stream.frozenFrames = heardFrames(stream);
    stream.playing = false;
    webAudioStopStream(stream.id);
    // What was decoded beyond the frozen position is gone.
    stream.resumeNeedsSeek = true;
}

// The context does not run: every playing stream goes on from the position
// heard so far, on the page's clock.
void goSilent() {
    for (int i = 0; i < output.streamCount; ++i) {
        SoundStream& stream = *output.streams[i];
        if (!stream.playing)
            continue;
        stream.baseFrames = heardFrames(stream);
        webAudioStopStream(stream.id);
    }
    webAudioClose();
    output.audible = false;
    for (int i = 0; i < output.streamCount; ++i) {
        if (output.streams[i]->playing)
            startClock(*output.streams[i]);
    }
    programMessage("the audio output does not run; playing in silence");
}

bool anyPlaying() {
    for (int i = 0; i < output.streamCount; ++i) {
        if (output.streams[i]->playing)
            return true;
    }
    return false;
}

void watchOutput() {
    if (!output.audible)
        return;
    if (webAudioRunning() || !anyPlaying()) {
        output.stalledSinceMs = 0;
        return;
    }
    const double now = emscripten_get_now();
    if (output.stalledSinceMs == 0)
        output.stalledSinceMs = now;
    else if (now - output.stalledSinceMs > STALL_LIMIT_MS)
        goSilent();
}

void onTimer(void*) {
    watchOutput();
    for (int i = 0; i < output.streamCount; ++i)
        scheduleAhead(*output.streams[i], DECODE_AHEAD_SECONDS);
}

// Decodes a first block of the opened file, which proves it holds samples,
// not only a header, then goes back to its start.
bool decodeFirstBlock(SoundStream& stream) {
    size_t bytes = 0;
    return mpg123_read(stream.mp3.decoder(), decodedBlock, sizeof decodedBlock, &bytes) != MPG123_ERR &&
           bytes > 0 && mpg123_seek(stream.mp3.decoder(), 0, SEEK_SET) == 0;
}

void closeStream(SoundStream* stream) {
    webAudioStopStream(stream->id);
    delete stream;
}

}  // namespace

bool soundInit(int mixRate, int maxChannels, unsigned flags) {
    if (output.started)
        return true;
    if (const char* refusal = outputSettingsRefusal(mixRate, maxChannels, flags)) {
        setLastError(refusal);
        return false;
    }
    mpg123_init();
    output.rate = mixRate;
    output.channelVolumes.assign(static_cast<size_t>(maxChannels), FULL_VOLUME);
    output.audible = webAudioOpen(mixRate, static_cast<double>(RAMP_FRAMES) / mixRate) != 0;
    if (output.audible)
        webAudioSetMasterGain(gainOf(masterVolume));
    else
        programMessage("no audio output (this browser has no Web Audio); playing in silence");
    output.timer = emscripten_set_interval(onTimer, TIMER_INTERVAL_MS, nullptr);
    output.started = true;
    return true;
}

SoundStream* soundStreamOpen(const char* path, unsigned mode, int offset) {
    if (const char* refusal = streamRequestRefusal(output.started, path, mode, offset, output.streamCount))
        return failOpen(refusal);

    SoundStream* stream = new SoundStream();
    stream->id = output.nextStreamId++;
    const char* failure = stream->mp3.open(path, output.rate);
    if (failure == nullptr && !decodeFirstBlock(*stream))
        failure = NO_MP3_DATA;
    if (failure != nullptr) {
        closeStream(stream);
        return failOpen(failure);
    }
    output.streams[output.streamCount++] = stream;
    return stream;
}

int soundStreamPlay(int channel, SoundStream* stream) {
    SoundStream* played = liveStream(stream);
    if (played == nullptr || channel < 0 || channel >= static_cast<int>(output.channelVolumes.size()))
        return -1;
    for (int i = 0; i < output.streamCount; ++i) {
        SoundStream& other = *output.streams[i];
        if (&other == played || other.channel == channel)
            stopStream(other);
    }
    if (played->resumeNeedsSeek)
        moveTo(*played, played->frozenFrames);
    played->channel = channel;
    played->playing = true;
    startClock(*played);
    watchOutput();
    scheduleAhead(*played, FIRST_DECODE_SECONDS);
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
    watchOutput();
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
    if (!output.started || channel < 0 || channel >= static_cast<int>(output.channelVolumes.size()))
        return false;
    output.channelVolumes[static_cast<size_t>(channel)] = volume;
    webAudioSetChannelGain(channel, gainOf(volume));
    return true;
}

int soundChannelVolume(int channel) {
    if (!output.started || channel < 0 || channel >= static_cast<int>(output.channelVolumes.size()))
        return -1;
    return output.channelVolumes[static_cast<size_t>(channel)];
}

void soundSetMasterVolume(int volume) {
    masterVolume = volume;
    if (output.audible)
        webAudioSetMasterGain(gainOf(volume));
}

int soundMasterVolume() { return masterVolume; }

void soundClose() {
    if (!output.started)
        return;
    emscripten_clear_interval(output.timer);
    for (int i = 0; i < output.streamCount; ++i)
        closeStream(output.streams[i]);
    output.streamCount = 0;
    if (output.audible)
        webAudioClose();
    output = Output{};
}
