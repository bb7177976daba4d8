#include "app/capture/video_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/capture/capture_log.h"
#include "base/file_path.h"
#include "platform/sdl/scaled_frame.h"

namespace {

constexpr const char* FFMPEG = "ffmpeg";
constexpr const char* VIDEO_SUFFIX = ".video-partial.nut";
constexpr const char* AUDIO_SUFFIX = ".audio-partial.wav";
constexpr const char* OUTPUT_SUFFIX = ".partial";
constexpr const char* FFMPEG_PACKAGE_HINT = " (the ffmpeg package provides it)";

std::string text(long value) { return std::to_string(value); }

std::vector<std::string> quietFfmpeg() { return {FFMPEG, "-nostdin", "-hide_banner", "-loglevel", "error", "-y"}; }

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

const VideoEncoder& videoEncoderOf(const VideoSettings& settings) {
    return settings.lossless ? *settings.kind->lossless : *settings.kind->video;
}

// The frame scaled into the largest centred rectangle of its shape, black
// around it; even sizes and offsets, as subsampled colour needs.
std::string fitFilter(const VideoSettings& settings) {
    const FrameRect fit = fitFrame(FRAME_WIDTH, FRAME_HEIGHT, settings.width, settings.height);
    const int width = fit.width & ~1;
    const int height = fit.height & ~1;
    const int x = ((settings.width - width) / 2) & ~1;
    const int y = ((settings.height - height) / 2) & ~1;
    return "scale=" + text(width) + ":" + text(height) + ":flags=" + scalerFlag(settings.scaleFilter) +
           ",pad=" + text(settings.width) + ":" + text(settings.height) + ":" + text(x) + ":" + text(y) +
           ":color=black";
}

// ffmpeg's own conversion from RGB would use the BT.601 matrix whatever the
// tags say; this one makes the tags true.
std::string yuvFilter(const ColourTags& colour, const char* pixelFormat) {
    return std::string("scale=out_color_matrix=") + colour.space + ":out_range=" + colour.range +
           ",format=" + pixelFormat;
}

std::vector<std::string> colourTags(const VideoSettings& settings) {
    const ColourTags& colour = *videoEncoderOf(settings).colour;
    return {"-colorspace", colour.space, "-color_primaries", colour.primaries, "-color_trc", colour.transfer,
            "-color_range", colour.range};
}

std::vector<std::string> videoEncoding(const VideoSettings& settings) {
    const VideoEncoder& encoder = videoEncoderOf(settings);
    std::string filters;
    if (settings.width != FRAME_WIDTH || settings.height != FRAME_HEIGHT)
        filters = fitFilter(settings);
    if (encoder.colour->yuv)
        filters += (filters.empty() ? "" : ",") + yuvFilter(*encoder.colour, encoder.pixelFormat);
    std::vector<std::string> arguments;
    if (!filters.empty())
        arguments = {"-vf", filters};
    append(arguments, {"-c:v", encoder.name, "-pix_fmt", encoder.pixelFormat});
    append(arguments, colourTags(settings));
    for (const char* option : encoder.options) {
        if (option != nullptr)
            arguments.push_back(option);
    }
    if (encoder.maxCrf > 0)
        append(arguments, {"-crf", text(settings.crf == DEFAULT_CRF ? encoder.defaultCrf : settings.crf)});
    return arguments;
}

std::vector<std::string> audioEncoding(const VideoSettings& settings) {
    const AudioEncoder& encoder = *settings.kind->audio;
    std::vector<std::string> arguments = {"-c:a", encoder.name};
    if (encoder.lossy)
        append(arguments, {"-b:a", text(settings.audioBitrate)});
    return arguments;
}

}  // namespace

VideoSink::VideoSink(std::string path, const VideoSettings& settings)
    : path_(std::move(path)),
      videoPath_(path_ + VIDEO_SUFFIX),
      audioPath_(path_ + AUDIO_SUFFIX),
      outputPath_(path_ + OUTPUT_SUFFIX),
      settings_(settings) {}

// A tenth of a second of black and silence through the same filter and
// encoders, to nowhere: a build of ffmpeg without an encoder, or whose
// encoder cannot take the pixel format, fails here rather than after the
// last frame.
bool VideoSink::encodersWork() {
    std::vector<std::string> trial = {FFMPEG, "-nostdin", "-hide_banner", "-loglevel", "quiet",
                                      "-f", "lavfi", "-i", "color=black:size=64x64:rate=10",
                                      "-f", "lavfi", "-i", "anullsrc=channel_layout=stereo:sample_rate=44100",
                                      "-t", "0.1"};
    append(trial, videoEncoding(settings_));
    append(trial, audioEncoding(settings_));
    append(trial, {"-f", "null", "-"});
    int status = 0;
    std::string error;
    if (!runChild(trial, status, error)) {
        captureMessage("%s%s", error.c_str(), FFMPEG_PACKAGE_HINT);
        return false;
    }
    if (status == 0)
        return true;
    captureMessage("this ffmpeg cannot encode %s video with %s sound, which %s needs", videoEncoderOf(settings_).name,
                   settings_.kind->audio->name, settings_.kind->extension);
    return false;
}

bool VideoSink::open() {
    // The temporaries and the final rename need a folder that takes new files.
    if (!outputCanBeWritten(path_, outputPath_) || !encodersWork())
        return false;
    std::string error;
    if (!audio_.open(audioPath_, error)) {
        captureMessage("%s", error.c_str());
        return false;
    }
    std::vector<std::string> encode = quietFfmpeg();
    append(encode, {"-f", "rawvideo", "-pixel_format", "rgb24",
                    "-video_size", text(FRAME_WIDTH) + "x" + text(FRAME_HEIGHT),
                    "-framerate", text(settings_.rate.frames) + "/" + text(settings_.rate.seconds),
                    "-i", "pipe:0"});
    append(encode, videoEncoding(settings_));
    append(encode, {"-f", "nut", videoPath_});
    if (encoder_.open(encode, error))
        return true;
    captureMessage("%s%s", error.c_str(), FFMPEG_PACKAGE_HINT);
    audio_.discard();
    return false;
}

bool VideoSink::beginAudio(uint32_t sampleRate) {
    sampleRate_ = sampleRate;
    return true;
}

bool VideoSink::writeFrame(const CapturedFrame& frame) {
    if (encoder_.write(frame.rgb, FRAME_BYTES))
        return true;
    captureMessage("ffmpeg stopped taking frames");
    return false;
}

bool VideoSink::writeAudio(const int16_t* samples, size_t frames) {
    if (audio_.append(samples, frames))
        return true;
    captureMessage("cannot write %s: %s", audioPath_.c_str(), std::strerror(errno));
    return false;
}

bool VideoSink::finish() {
    const int encoded = encoder_.close();
    std::string error;
    const bool audioWritten = audio_.close(sampleRate_, error);
    bool ok = false;
    if (encoded != 0)
        captureMessage("ffmpeg could not encode the frames (exit status %d)", encoded);
    else if (!audioWritten)
        captureMessage("%s", error.c_str());
    else
        ok = muxInto();
    removeTemporaries();
    return ok;
}

std::string VideoSink::abandon() {
    encoder_.kill();
    audio_.discard();
    removeTemporaries();
    return "the unfinished " + path_;
}

bool VideoSink::muxInto() {
    std::vector<std::string> mux = quietFfmpeg();
    append(mux, {"-i", videoPath_, "-i", audioPath_, "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy"});
    // NUT keeps no colour tags, and VP9's stream only some: the container gets them all.
    append(mux, colourTags(settings_));
    append(mux, audioEncoding(settings_));
    if (settings_.kind->indexAtFront)
        append(mux, {"-movflags", "+faststart"});
    append(mux, {"-f", settings_.kind->muxer, outputPath_});
    int status = 0;
    std::string error;
    if (!runChild(mux, status, error)) {
        captureMessage("%s", error.c_str());
        return false;
    }
    if (status != 0) {
        captureMessage("ffmpeg could not write %s (exit status %d)", path_.c_str(), status);
        return false;
    }
    std::error_code failure;
    std::filesystem::rename(utf8Path(outputPath_), utf8Path(path_), failure);
    if (!failure)
        return true;
    captureMessage("cannot write %s: %s", path_.c_str(), failure.message().c_str());
    return false;
}

void VideoSink::removeTemporaries() {
    std::error_code ignored;
    for (const std::string* temporary : {&videoPath_, &audioPath_, &outputPath_})
        std::filesystem::remove(utf8Path(*temporary), ignored);
}
