// The output of the sound layer in a web page (audio/sound_backend.h) over
// Web Audio (audio/web/web_audio.js). libmpg123 decodes each playing stream a few
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
#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/mp3_file.h"
#include "audio/sound_backend.h"
#include "audio/sound_requests.h"
#include "audio/volume.h"
#include "audio/web/streamed_input.h"
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

namespace sound_internal {

namespace {

constexpr int BLOCK_FRAMES = 4096;  // one AudioBuffer, about 0.1 s
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
// The decoder reads a few frames (under 1 KB each) per block: with this much
// of the file ahead of it, a block never reaches the end of what is in.
constexpr int64_t INPUT_MARGIN_BYTES = 16 * 1024;
constexpr int64_t BITS_PER_BYTE = 8;
constexpr int64_t BITS_PER_KBIT = 1000;
constexpr int64_t NO_MOVE = -1;

// The streamed file's bytes in so far.
struct StreamedInput {
    int64_t bytes = 0;
    bool complete = true;
};

StreamedInput input;

}  // namespace

struct OutputStream {
    explicit OutputStream(Mp3File& file) : mp3(file) {}
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    Mp3File& mp3;
    int id = 0;
    int channel = 0;
    bool playing = false;
    bool ended = false;  // the decoder has given its last sample
    // Playing: heardBefore frames after the stream's last move are heard at
    // clockStart (seconds on the clock in use), and the decoder stands
    // scheduledFrames past that.
    double clockStart = 0;
    int64_t scheduledFrames = 0;
    int64_t heardBefore = 0;
    int64_t reported = 0;           // the most heardSince() has answered since the clock started
    int64_t firstFrameOffset = 0;   // where the file's first MP3 frame lies
    int64_t pendingMove = NO_MOVE;  // a move's target frame, until its bytes are in
    bool waitingInput = false;      // the last decode stopped for the file
};

namespace {

struct Output {
    bool audible = false;  // an AudioContext plays the streams
    int rate = 0;
    int nextStreamId = 1;
    long timer = 0;
    double stalledSinceMs = 0;  // since when a stream plays on a context that does not run; 0: it runs
};

Output output;
int16_t decodedBlock[BLOCK_FRAMES * OUTPUT_CHANNELS];

double gainOf(int volume) { return static_cast<double>(std::clamp(volume, 0, FULL_VOLUME)) / FULL_VOLUME; }

double clockSeconds() {
    return output.audible ? webAudioHeardSeconds() : emscripten_get_now() / MS_PER_SECOND;
}

// Where a play's first block goes on the clock in use.
double startingClock() {
    return output.audible ? webAudioNowSeconds() + START_DELAY_SECONDS : emscripten_get_now() / MS_PER_SECOND;
}

// Whether enough of the file lies ahead of the decoder for a block.
bool inputAhead(OutputStream& stream) {
    return input.complete || mpg123_tell_stream(stream.mp3.decoder()) + INPUT_MARGIN_BYTES <= input.bytes;
}

// Where a frame of the track lies in the file, past the margin; a file
// whose bit rate varies is read whole first.
int64_t bytesNeededFor(OutputStream& stream, int64_t frame) {
    mpg123_frameinfo info{};
    if (mpg123_info(stream.mp3.decoder(), &info) != MPG123_OK || info.vbr != MPG123_CBR || info.rate <= 0)
        return INT64_MAX;
    return stream.firstFrameOffset + frame * info.bitrate * BITS_PER_KBIT / BITS_PER_BYTE / info.rate +
           INPUT_MARGIN_BYTES;
}

// A move beyond what is in waits here: seeking there would read the frames
// between, which are not in yet, as the track's end.
bool moveWhenIn(OutputStream& stream) {
    if (stream.pendingMove == NO_MOVE)
        return true;
    if (!input.complete && bytesNeededFor(stream, stream.pendingMove) > input.bytes)
        return false;
    stream.ended = mpg123_seek(stream.mp3.decoder(), static_cast<off_t>(stream.pendingMove), SEEK_SET) < 0;
    stream.pendingMove = NO_MOVE;
    return true;
}

// Decodes and schedules the stream up to aheadSeconds past the context's
// clock, as far as the file is in. A block that would start late (the timer was held up) moves the
// stream's start instead, so the position waits for the sound, as an
// underrun does on the desktop.
void scheduleAhead(OutputStream& stream, double aheadSeconds) {
    if (!stream.playing || !output.audible)
        return;
    const double now = webAudioNowSeconds();
    stream.waitingInput = false;
    while (!stream.ended) {
        const double when = stream.clockStart + static_cast<double>(stream.scheduledFrames) / output.rate;
        if (when >= now + aheadSeconds)
            break;
        if (!moveWhenIn(stream) || !inputAhead(stream)) {
            stream.waitingInput = true;
            break;
        }
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

// The clock starts again with heardBefore frames heard since the last move.
void startClock(OutputStream& stream, int64_t heardBefore) {
    stream.clockStart = startingClock();
    stream.scheduledFrames = 0;
    stream.heardBefore = heardBefore;
    stream.reported = heardBefore;
}

// The context does not run: every playing stream goes on from the position
// heard so far, on the page's clock.
void goSilent() {
    const int count = registeredCount();
    for (int i = 0; i < count; ++i) {
        OutputStream& stream = registeredStream(i);
        if (!stream.playing)
            continue;
        platform_output::heardSince(stream);
        webAudioStopStream(stream.id);
    }
    webAudioClose();
    output.audible = false;
    for (int i = 0; i < count; ++i) {
        OutputStream& stream = registeredStream(i);
        if (stream.playing)
            startClock(stream, stream.reported);
    }
    programMessage("the audio output does not run; playing in silence");
}

bool anyPlaying() {
    const int count = registeredCount();
    for (int i = 0; i < count; ++i) {
        if (registeredStream(i).playing)
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
    const int count = registeredCount();
    for (int i = 0; i < count; ++i)
        scheduleAhead(registeredStream(i), DECODE_AHEAD_SECONDS);
}

// Decodes a first block of the opened file, which proves it holds samples,
// not only a header, then goes back to its start.
bool decodeFirstBlock(OutputStream& stream) {
    size_t bytes = 0;
    if (mpg123_read(stream.mp3.decoder(), decodedBlock, sizeof decodedBlock, &bytes) == MPG123_ERR || bytes == 0 ||
        mpg123_seek(stream.mp3.decoder(), 0, SEEK_SET) != 0)
        return false;
    stream.firstFrameOffset = mpg123_tell_stream(stream.mp3.decoder());
    return true;
}

}  // namespace

namespace platform_output {

int64_t heardSince(OutputStream& stream) {
    const double since = clockSeconds() - stream.clockStart;
    int64_t heard = since > 0 ? static_cast<int64_t>(std::floor(since * output.rate)) : 0;
    // Never past the sound scheduled: while the file is late the position,
    // and so the show, stands where the sound ran out.
    if (output.audible)
        heard = std::min(heard, stream.scheduledFrames);
    stream.reported = std::max(stream.reported, stream.heardBefore + heard);
    return stream.reported;
}

const char* start(int rate, int) {
    output.rate = rate;
    output.audible = webAudioOpen(rate, static_cast<double>(RAMP_FRAMES) / rate) != 0;
    if (!output.audible)
        programMessage("no audio output (this browser has no Web Audio); playing in silence");
    output.timer = emscripten_set_interval(onTimer, TIMER_INTERVAL_MS, nullptr);
    return nullptr;
}

void stop() {
    emscripten_clear_interval(output.timer);
    const int count = registeredCount();
    for (int i = 0; i < count; ++i)
        webAudioStopStream(registeredStream(i).id);
    if (output.audible)
        webAudioClose();
    output = Output{};
}

const char* openStream(Mp3File& file, OutputStream*& opened) {
    OutputStream* stream = new OutputStream(file);
    if (!decodeFirstBlock(*stream)) {
        delete stream;
        return NO_MP3_DATA;
    }
    stream->id = output.nextStreamId++;
    opened = stream;
    return nullptr;
}

void closeStream(OutputStream* stream) { delete stream; }

void play(OutputStream& stream, int channel) {
    stream.channel = channel;
    stream.playing = true;
    startClock(stream, 0);
    watchOutput();
    scheduleAhead(stream, FIRST_DECODE_SECONDS);
}

void stopStream(OutputStream& stream) {
    stream.playing = false;
    webAudioStopStream(stream.id);
}

void move(OutputStream& stream, int64_t frame) {
    stream.pendingMove = frame;
    stream.ended = false;
    moveWhenIn(stream);
    if (stream.playing) {
        webAudioStopStream(stream.id);
        startClock(stream, 0);
        scheduleAhead(stream, FIRST_DECODE_SECONDS);
    }
}

void setChannelVolume(int channel, int volume) { webAudioSetChannelGain(channel, gainOf(volume)); }

void setMasterVolume(int volume) {
    if (output.audible)
        webAudioSetMasterGain(gainOf(volume));
}

void watch() { watchOutput(); }

}  // namespace platform_output

}  // namespace sound_internal

namespace sound_input {

void streamedBytesIn(int64_t bytes, bool complete) {
    sound_internal::input = sound_internal::StreamedInput{bytes, complete};
}

bool waitingForInput() {
    using namespace sound_internal;
    if (!output.audible)
        return false;
    const double heard = webAudioHeardSeconds();
    const int count = registeredCount();
    for (int i = 0; i < count; ++i) {
        const OutputStream& stream = registeredStream(i);
        if (stream.playing && stream.waitingInput &&
            stream.clockStart + static_cast<double>(stream.scheduledFrames) / output.rate <= heard)
            return true;
    }
    return false;
}

}  // namespace sound_input
