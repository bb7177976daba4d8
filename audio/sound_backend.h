// What a platform's sound output supplies to the front half of the sound
// layer (audio/sound_system.cpp), and what the front half offers it.
//
// The front half is the same on every platform: the registry of open
// streams, the channels and their volumes, the master volume, each stream's
// position while stopped and its rule of never going backwards while
// playing, and what play, stop and move do to the other streams. An output
// only moves samples and tells the time: SDL's on the desktops (audio/sdl/),
// Web Audio in a page (audio/web/).
//
// What an output may rely on:
//   - Every call comes from the main thread, between start() and stop(),
//     and only for a stream the front half has checked against its registry
//     and a channel it has checked against the channel count.
//   - play() comes only for a stopped stream, stopStream() only for a
//     playing one; move() for either.
//   - heardSince() is asked only while the stream plays, and the front half
//     keeps what it answers from making the position go backwards.
//   - closeStream() comes after stop() has returned, once for each stream.
//   - The file a stream was opened on outlives its closeStream().
#pragma once

#include <cstdint>

#include "audio/mp3_file.h"

namespace sound_internal {

constexpr int MS_PER_SECOND = 1000;

// Rounded up, so that a position set in ms reads back as the same ms.
constexpr int64_t msToFrames(int64_t ms, int rate) { return (ms * rate + MS_PER_SECOND - 1) / MS_PER_SECOND; }

// Each output's own part of an open stream.
struct OutputStream;

struct SoundBackend {
    // Starts the output at rate Hz, 16-bit stereo, channels 0 .. channels - 1
    // at full volume; answers null, or why it cannot start.
    const char* (*start)(int rate, int channels);
    // Stops the output: no part of it touches a stream once this returns.
    void (*stop)();
    // The output's part of a stream on a file opened at the output's rate:
    // stopped, at frame 0. Answers null and the stream, or why not
    // (NO_MP3_DATA when the file's first decode gives no samples).
    const char* (*openStream)(Mp3File& file, OutputStream*& opened);
    void (*closeStream)(OutputStream* stream);
    // The stream plays on the channel from where it stands.
    void (*play)(OutputStream& stream, int channel);
    void (*stopStream)(OutputStream& stream);
    // The stream stands at frame from now on.
    void (*move)(OutputStream& stream, int64_t frame);
    // The frames heard since the stream last moved, or since its open.
    int64_t (*heardSince)(OutputStream& stream);
    // Before every read of a position: an output that watches itself from
    // the main thread does it here.
    void (*watch)();
    // Volumes as they were set, outside 0 .. FULL_VOLUME too: the output clamps.
    void (*setChannelVolume)(int channel, int volume);
    void (*setMasterVolume)(int volume);
};

// The calls of the platform's own output, each the field of its name;
// its source files, which CMake picks, define them.
namespace platform_output {
const char* start(int rate, int channels);
void stop();
const char* openStream(Mp3File& file, OutputStream*& opened);
void closeStream(OutputStream* stream);
void play(OutputStream& stream, int channel);
void stopStream(OutputStream& stream);
void move(OutputStream& stream, int64_t frame);
int64_t heardSince(OutputStream& stream);
void watch();
void setChannelVolume(int channel, int volume);
void setMasterVolume(int volume);
}  // namespace platform_output

// The platform's output as a table, the one soundInit() starts.
const SoundBackend& platformSoundBackend();

// soundInit() on a given output.
bool startSoundOn(int mixRate, int maxChannels, unsigned flags, const SoundBackend& backend);

// The open streams, in the order they were opened; for any thread of the
// output. Acquire loads: a stream counted here is seen as it was registered.
int registeredCount();
OutputStream& registeredStream(int index);

}  // namespace sound_internal
