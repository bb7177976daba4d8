// Lossless output: one frame as a PNG file, or a folder of numbered PNG
// frames (frame_000000.png, ...) with the sound beside them in audio.wav.
// Frames are compressed for speed (see PngImage::fast): the same pixels as
// the smallest PNG, in a fraction of the time.
#pragma once

#include <string>

#include "app/capture/frame_sink.h"
#include "app/capture/wav_file.h"

class PngFileSink : public FrameSink {
public:
    explicit PngFileSink(std::string path) : path_(std::move(path)) {}

    // Checks that the file can be written.
    bool open() override;
    bool writeFrame(const CapturedFrame& frame) override;
    // True once a frame was written.
    bool finish() override;
    // Nothing to remove: a PNG that fails half way is removed as it fails.
    std::string abandon() override;

private:
    std::string path_;
    bool written_ = false;
};

class PngFolderSink : public FrameSink {
public:
    // replace: a folder that already holds frames is emptied of them (and of
    // audio.wav) instead of being refused.
    PngFolderSink(std::string folder, bool replace) : folder_(std::move(folder)), replace_(replace) {}

    // Makes the folder when it is missing and starts audio.wav in it; refuses
    // a folder holding frames of an earlier recording unless told to replace
    // them, so old and new frames never mix.
    bool open() override;
    bool beginAudio(uint32_t sampleRate) override;
    bool writeFrame(const CapturedFrame& frame) override;
    bool writeAudio(const int16_t* samples, size_t frames) override;
    bool finish() override;
    // Deletes what this recording wrote: its frames, the unfinished
    // audio.wav, and the folder when it made it.
    std::string abandon() override;

private:
    bool removeOldFrames();

    std::string folder_;
    bool replace_;
    bool madeFolder_ = false;
    uint32_t framesWritten_ = 0;
    WavFile audio_;
    uint32_t sampleRate_ = 0;
};

// Writes one frame as an RGB PNG; false after saying why.
bool writeFramePng(const std::string& path, const CapturedFrame& frame);
