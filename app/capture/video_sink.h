// H.264 video with the track's sound, through the ffmpeg program.
//
// Frames go to one ffmpeg over a pipe, which encodes them into a temporary
// video file beside the output while the sound goes into a temporary WAV
// (its volume is known only frame by frame); finish() then has a second
// ffmpeg put both into the output. Only one child runs at a time and each has
// one pipe, so none can stall on another's.
#pragma once

#include <string>

#include "app/capture/frame_clock.h"
#include "app/capture/frame_sink.h"
#include "app/capture/wav_file.h"
#include "platform/child_pipe.h"

class VideoSink : public FrameSink {
public:
    VideoSink(std::string path, FrameRate rate);

    // Starts the encoder and the temporary WAV; fails when ffmpeg cannot be
    // started or nothing can be written beside the output.
    bool open() override;
    bool beginAudio(uint32_t sampleRate) override;
    bool writeFrame(const CapturedFrame& frame) override;
    bool writeAudio(const int16_t* samples, size_t frames) override;
    // Ends the encoding, writes the output, removes the temporaries; a failed
    // step removes the output too.
    bool finish() override;
    // Stops the encoder; removes the temporaries.
    void abandon() override;

private:
    bool muxInto();
    void removeTemporaries();

    std::string path_;
    std::string videoPath_;
    FrameRate rate_;
    ChildPipe encoder_;
    WavFile audio_;
    uint32_t sampleRate_ = 0;
};
