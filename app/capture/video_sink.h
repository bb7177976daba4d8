// Video with the track's sound, through the ffmpeg program, in the container
// and with the encoders of its output kind.
//
// Frames go to one ffmpeg over a pipe, which encodes them into a temporary
// NUT file beside the output (NUT keeps the exact frame rate as its time
// base) while the sound goes into a temporary WAV (its volume is known only
// frame by frame); finish() then has a second ffmpeg encode the sound and
// put both into a third temporary, which becomes the output only when it is
// whole. Only one child runs at a time and each has one pipe, so none can
// stall on another's.
#pragma once

#include <string>

#include "app/capture/frame_clock.h"
#include "app/capture/frame_sink.h"
#include "app/capture/output_kind.h"
#include "app/capture/wav_file.h"
#include "platform/child_pipe.h"

constexpr int DEFAULT_CRF = -1;                    // the encoder's own default
constexpr uint32_t DEFAULT_AUDIO_BITRATE = 192000;  // bits per second

// What the command line chose for a video.
struct VideoSettings {
    const OutputKind* kind = nullptr;
    FrameRate rate;
    int crf = DEFAULT_CRF;
    bool lossless = false;
    uint32_t audioBitrate = DEFAULT_AUDIO_BITRATE;  // for lossy sound only
    int width = FRAME_WIDTH;                        // the output's size; the
    int height = FRAME_HEIGHT;                      // frame is fitted inside
    ScaleFilter scaleFilter = ScaleFilter::Lanczos;
};

class VideoSink : public FrameSink {
public:
    VideoSink(std::string path, const VideoSettings& settings);

    // Checks that files can be made beside the output and that ffmpeg has the
    // kind's encoders, then starts the encoder and the temporary WAV.
    bool open() override;
    bool beginAudio(uint32_t sampleRate) override;
    bool writeFrame(const CapturedFrame& frame) override;
    bool writeAudio(const int16_t* samples, size_t frames) override;
    // Ends the encoding, writes the output, removes the temporaries; a failed
    // step leaves no output and an earlier file of that name as it was.
    bool finish() override;
    // Stops the encoder; removes the temporaries.
    std::string abandon() override;

private:
    bool encodersWork();
    bool muxInto();
    void removeTemporaries();

    std::string path_;
    std::string videoPath_;
    std::string audioPath_;
    std::string outputPath_;  // the whole file before it takes the output's name
    VideoSettings settings_;
    ChildPipe encoder_;
    WavFile audio_;
    uint32_t sampleRate_ = 0;
};
