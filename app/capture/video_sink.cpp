#include "app/capture/video_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/capture/capture_log.h"

namespace {

constexpr const char* FFMPEG = "ffmpeg";
constexpr const char* VIDEO_SUFFIX = ".video-partial.mkv";
constexpr const char* AUDIO_SUFFIX = ".audio-partial.wav";
// Visually lossless at this size, and quick enough not to hold the recording up.
constexpr const char* X264_PRESET = "fast";
constexpr const char* X264_QUALITY = "18";
constexpr const char* AUDIO_CODEC = "aac";
constexpr const char* AUDIO_BITRATE = "192k";

std::vector<std::string> quietFfmpeg() { return {FFMPEG, "-hide_banner", "-loglevel", "error", "-y"}; }

std::string text(uint32_t value) { return std::to_string(value); }

}  // namespace

VideoSink::VideoSink(std::string path, FrameRate rate)
    : path_(std::move(path)), videoPath_(path_ + VIDEO_SUFFIX), rate_(rate) {}

bool VideoSink::open() {
    std::string error;
    if (!audio_.open(path_ + AUDIO_SUFFIX, error)) {
        captureMessage("%s", error.c_str());
        return false;
    }
    std::vector<std::string> encode = quietFfmpeg();
    const std::vector<std::string> input = {
        "-f", "rawvideo", "-pixel_format", "rgb24",
        "-video_size", text(FRAME_WIDTH) + "x" + text(FRAME_HEIGHT),
        "-framerate", text(rate_.frames) + "/" + text(rate_.seconds),
        "-i", "pipe:0",
        "-c:v", "libx264", "-preset", X264_PRESET, "-crf", X264_QUALITY, "-pix_fmt", "yuv420p",
        "-f", "matroska", videoPath_};
    encode.insert(encode.end(), input.begin(), input.end());
    if (encoder_.open(encode, error))
        return true;
    captureMessage("%s (the ffmpeg package provides it)", error.c_str());
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
    captureMessage("cannot write %s%s: %s", path_.c_str(), AUDIO_SUFFIX, std::strerror(errno));
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

void VideoSink::abandon() {
    encoder_.kill();
    audio_.discard();
    removeTemporaries();
}

bool VideoSink::muxInto() {
    std::vector<std::string> mux = quietFfmpeg();
    const std::vector<std::string> arguments = {
        "-nostdin", "-i", videoPath_, "-i", path_ + AUDIO_SUFFIX,
        "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy", "-c:a", AUDIO_CODEC, "-b:a", AUDIO_BITRATE,
        path_};
    mux.insert(mux.end(), arguments.begin(), arguments.end());
    int status = 0;
    std::string error;
    if (!runChild(mux, status, error)) {
        captureMessage("%s", error.c_str());
        return false;
    }
    if (status == 0)
        return true;
    captureMessage("ffmpeg could not write %s (exit status %d)", path_.c_str(), status);
    std::remove(path_.c_str());
    return false;
}

void VideoSink::removeTemporaries() {
    std::remove(videoPath_.c_str());
    std::remove((path_ + AUDIO_SUFFIX).c_str());
}
