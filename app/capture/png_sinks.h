// Lossless output: one frame as a PNG file, or a folder of numbered PNG
// frames (frame_000000.png, ...) with the sound beside them in audio.wav.
#pragma once

#include <string>

#include "app/capture/frame_sink.h"
#include "app/capture/wav_file.h"

class PngFileSink : public FrameSink {
public:
    explicit PngFileSink(std::string path) : path_(std::move(path)) {}

    // Checks that the file's folder exists.
    bool open() override;
    bool writeFrame(const CapturedFrame& frame) override;
    // True once a frame was written.
    bool finish() override;
    // Nothing to remove: a PNG that fails half way is removed as it fails.
    void abandon() override;

private:
    std::string path_;
    bool written_ = false;
};

class PngFolderSink : public FrameSink {
public:
    explicit PngFolderSink(std::string folder) : folder_(std::move(folder)) {}

    // Makes the folder when it is missing and starts audio.wav in it.
    bool open() override;
    bool beginAudio(uint32_t sampleRate) override;
    bool writeFrame(const CapturedFrame& frame) override;
    bool writeAudio(const int16_t* samples, size_t frames) override;
    bool finish() override;
    // Deletes the unfinished audio.wav; the frames written are whole files
    // and stay.
    void abandon() override;

private:
    std::string folder_;
    WavFile audio_;
    uint32_t sampleRate_ = 0;
};

// Writes one frame as an RGB PNG; false after saying why.
bool writeFramePng(const std::string& path, const CapturedFrame& frame);
