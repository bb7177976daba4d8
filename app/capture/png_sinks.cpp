#include "app/capture/png_sinks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/capture/capture_log.h"
#include "tools/pictures/png_writer.h"

namespace {

constexpr const char* AUDIO_FILE = "audio.wav";
constexpr const char* FRAME_NAME_FORMAT = "frame_%06u.png";
constexpr size_t FRAME_NAME_BYTES = 32;

std::string inFolder(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
}

}  // namespace

bool writeFramePng(const std::string& path, const CapturedFrame& frame) {
    PngImage image;
    image.width = FRAME_WIDTH;
    image.height = FRAME_HEIGHT;
    image.colorType = PNG_WRITER_RGB;
    image.bitDepth = 8;
    image.rows = frame.rgb;
    image.rowStride = FRAME_ROW_BYTES;
    std::string error;
    if (writePng(path.c_str(), image, &error))
        return true;
    captureMessage("%s", error.c_str());
    return false;
}

bool PngFileSink::open() {
    std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    std::error_code failure;
    if (folder.empty() || std::filesystem::is_directory(folder, failure))
        return true;
    captureMessage("cannot write %s: no folder %s", path_.c_str(), folder.string().c_str());
    return false;
}

bool PngFileSink::writeFrame(const CapturedFrame& frame) {
    written_ = writeFramePng(path_, frame);
    return written_;
}

bool PngFileSink::finish() { return written_; }

void PngFileSink::abandon() {}

bool PngFolderSink::open() {
    std::error_code failure;
    std::filesystem::create_directories(folder_, failure);
    if (failure) {
        captureMessage("cannot make the folder %s: %s", folder_.c_str(), failure.message().c_str());
        return false;
    }
    std::string error;
    if (audio_.open(inFolder(folder_, AUDIO_FILE), error))
        return true;
    captureMessage("%s", error.c_str());
    return false;
}

bool PngFolderSink::beginAudio(uint32_t sampleRate) {
    sampleRate_ = sampleRate;
    return true;
}

bool PngFolderSink::writeFrame(const CapturedFrame& frame) {
    char name[FRAME_NAME_BYTES];
    std::snprintf(name, sizeof name, FRAME_NAME_FORMAT, static_cast<unsigned>(frame.index));
    return writeFramePng(inFolder(folder_, name), frame);
}

bool PngFolderSink::writeAudio(const int16_t* samples, size_t frames) {
    if (audio_.append(samples, frames))
        return true;
    captureMessage("cannot write %s: %s", inFolder(folder_, AUDIO_FILE).c_str(), std::strerror(errno));
    return false;
}

bool PngFolderSink::finish() {
    std::string error;
    if (audio_.close(sampleRate_, error))
        return true;
    captureMessage("%s", error.c_str());
    return false;
}

void PngFolderSink::abandon() { audio_.discard(); }
