// The sound layer: streamed MP3 playback with libmpg123 over the platform's
// audio output: SDL2 on Linux (audio/sdl/), Web Audio in a web page
// (audio/web/). One front half keeps every rule below that is not about the
// output itself, for both (audio/sound_backend.h).
//
// What the rest of the program may rely on:
//   - soundInit() starts the output; when no audio device can be opened it
//     falls back to a silent output paced by the monotonic clock, says so in
//     one line on stderr and still answers true.
//   - A device whose callbacks are late hands over to the same silent output
//     without a jump in position, and plays again, from the position then
//     and fading in, once its callbacks come back. A device that is removed
//     or stops is closed and the default output opened again now and then,
//     with one line on stderr when it is lost and one when sound is back.
//   - A process stopped and continued (a suspended job, a debugger) goes on
//     from where it stood, picture and sound together: the stopped time does
//     not count.
//   - The stream is read only through the five file callbacks.
//   - soundStreamTimeMs() is the position being heard, in ms: 0 on play,
//     never backwards while playing, smooth from frame to frame, frozen while
//     stopped, and still growing in silence after the last sample.
//   - A move or a stop fades out what was playing, and the music found at
//     the new position fades in, over a few ms, so that neither clicks.
//   - Volumes run from 0 (silent) to 255 (full); playback clamps values
//     outside that range, the getters answer the value as it was set. The
//     master volume scales all playback and keeps its value for the whole
//     process; channel volumes exist while the output runs and start at 255.
//   - Decoding runs on a thread of its own per stream; no call here decodes
//     after soundStreamOpen() has checked the file. In a web page a timer
//     decodes a few seconds ahead instead, and soundStreamPlay() and
//     soundStreamSetPosition() decode the first half second themselves.
//   - All calls come from one thread (the show's main thread).
#pragma once

#include <cstdint>

using SoundFileOpen = void* (*)(const char* name);
using SoundFileClose = int (*)(void* handle);
using SoundFileRead = int (*)(void* buffer, int size, void* handle);
// origin: 0 from the start, 1 from the current offset, 2 from the end.
using SoundFileSeek = int (*)(void* handle, int offset, signed char origin);
using SoundFileTell = int (*)(void* handle);

struct SoundStream;

// Starts the output at mixRate Hz, 16-bit stereo, with channels
// 0 .. maxChannels - 1. No flags are defined: anything but 0 answers false.
// Answers true while an output runs, the silent one included.
bool soundInit(int mixRate, int maxChannels, unsigned flags);
// The callbacks used by the streams opened from now on.
void soundSetFileCallbacks(SoundFileOpen open, SoundFileClose close, SoundFileRead read,
                           SoundFileSeek seek, SoundFileTell tell);
// Opens an MP3 stream through the file callbacks, at position 0 and stopped;
// null when the output is not started, the file cannot be opened or it holds
// no playable MP3 data. Only mode 0 and offset 0 are supported. Prints
// nothing: soundLastError() says why it failed.
SoundStream* soundStreamOpen(const char* path, unsigned mode, int offset);
// Plays the stream on a channel from its current position, stopping whatever
// played there; answers the channel, or -1 for a bad stream or channel.
int soundStreamPlay(int channel, SoundStream* stream);
// Stops the stream and freezes its position where it was heard.
bool soundStreamStop(SoundStream* stream);
// The position being heard, in ms; 0 for a null or closed stream.
uint32_t soundStreamTimeMs(SoundStream* stream);
// Moves the stream to a position in ms, playing or not; past the end it plays
// silence from there.
bool soundStreamSetPosition(SoundStream* stream, uint32_t ms);
bool soundSetChannelVolume(int channel, int volume);
// The volume last set on the channel, as it was passed; -1 for a channel that
// does not exist.
int soundChannelVolume(int channel);
void soundSetMasterVolume(int volume);
int soundMasterVolume();
// Why the last soundInit() or soundStreamOpen() failed.
const char* soundLastError();
// Stops the output, closes every stream and the device. Stream handles are
// dead afterwards; passing one is harmless.
void soundClose();
