// A stream's MP3 file, decoded by libmpg123 through the file callbacks the
// program set, never through the file system; both sound layers (SDL2 and
// Web Audio) read their streams through it.
//
// What the sound layers may rely on:
//   - soundSetFileCallbacks() is defined here. A file keeps the callbacks
//     that were set when it was opened.
//   - After a successful open() the decoder stands at the start of the file
//     and gives 16-bit stereo at the rate asked for, or nothing at all.
//   - Destroying a file frees its decoder and closes it through the
//     callbacks, opened, half-opened or never opened; it must outlive every
//     use of the decoder (the native decoder thread's included).
#pragma once

#include <mpg123.h>

#include <cstdint>

#include "audio/sound_system.h"

namespace sound_internal {

constexpr int OUTPUT_CHANNELS = 2;
// The bytes of one sample frame: a 16-bit sample for each channel.
constexpr int SAMPLE_FRAME_BYTES = OUTPUT_CHANNELS * static_cast<int>(sizeof(int16_t));

// Why a stream could not be opened, as soundLastError() says it; a layer
// whose own first decode finds no samples says NO_MP3_DATA too.
constexpr const char* FILE_NOT_OPENED = "the file cannot be opened";
constexpr const char* NO_MP3_DATA = "the file holds no playable MP3 data";

struct FileCallbacks {
    SoundFileOpen open;
    SoundFileClose close;
    SoundFileRead read;
    SoundFileSeek seek;
    SoundFileTell tell;
};

// Whether every file callback is set.
bool fileCallbacksSet();

class Mp3File {
public:
    Mp3File() = default;
    Mp3File(const Mp3File&) = delete;
    Mp3File& operator=(const Mp3File&) = delete;
    ~Mp3File();

    // Opens the file through the callbacks (all set) and the decoder on it;
    // answers null, or FILE_NOT_OPENED or NO_MP3_DATA. Called once.
    const char* open(const char* path, long rate);
    // Null until open() has got as far as making it.
    mpg123_handle* decoder() const { return decoder_; }

private:
    bool openDecoder(long rate);
    void closeFile();
    // libmpg123's reader, handed the file.
    static mpg123_ssize_t readThrough(void* handle, void* buffer, size_t bytes);
    static off_t seekThrough(void* handle, off_t offset, int whence);
    static void cleanupThrough(void* handle);

    FileCallbacks callbacks_{};
    void* file_ = nullptr;
    mpg123_handle* decoder_ = nullptr;
};

}  // namespace sound_internal
