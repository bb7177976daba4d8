#include "app/capture/png_sinks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/capture/capture_log.h"
#include "base/file_path.h"
#include "gfx/png_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* AUDIO_FILE = "audio.wav";
constexpr const char* FRAME_NAME_FORMAT = "frame_%06u.png";
constexpr const char* FRAME_PREFIX = "frame_";
constexpr const char* FRAME_SUFFIX = ".png";
constexpr size_t FRAME_NAME_BYTES = 32;

std::string inFolder(const std::string& folder, const std::string& name) {
    return utf8Name(utf8Path(folder) / name);
}

std::string frameName(uint32_t index) {
    char name[FRAME_NAME_BYTES];
    std::snprintf(name, sizeof name, FRAME_NAME_FORMAT, static_cast<unsigned>(index));
    return name;
}

// Any frame_*.png, whatever its number.
bool isFrameName(const std::string& name) {
    const std::string prefix = FRAME_PREFIX, suffix = FRAME_SUFFIX;
    return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
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
    image.fast = true;
    std::string error;
    if (writePng(path.c_str(), image, &error))
        return true;
    captureMessage("%s", error.c_str());
    return false;
}

bool PngFileSink::open() { return outputCanBeWritten(path_, path_); }

bool PngFileSink::writeFrame(const CapturedFrame& frame) {
    written_ = writeFramePng(path_, frame);
    return written_;
}

bool PngFileSink::finish() { return written_; }

std::string PngFileSink::abandon() { return ""; }

bool PngFolderSink::open() {
    std::error_code failure;
    const fs::path folder = utf8Path(folder_);
    madeFolder_ = !fs::exists(folder, failure);
    fs::create_directories(folder, failure);
    if (failure || !fs::is_directory(folder, failure)) {
        captureMessage("cannot make the folder %s: %s", folder_.c_str(),
                       failure ? failure.message().c_str() : "a file of that name is in the way");
        return false;
    }
    if (!madeFolder_ && !removeOldFrames())
        return false;
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

bool PngFolderSink::removeOldFrames() {
    std::vector<fs::path> old;
    std::error_code failure;
    for (fs::directory_iterator entry(utf8Path(folder_), failure), end; !failure && entry != end; entry.increment(failure)) {
        if (isFrameName(entry->path().filename().string()))
            old.push_back(entry->path());
    }
    if (failure) {
        captureMessage("cannot read the folder %s: %s", folder_.c_str(), failure.message().c_str());
        return false;
    }
    if (old.empty())
        return true;
    if (!replace_) {
        captureMessage("%s already holds frames of a recording; --force replaces them", folder_.c_str());
        return false;
    }
    old.push_back(utf8Path(inFolder(folder_, AUDIO_FILE)));
    for (const fs::path& file : old) {
        fs::remove(file, failure);
        if (failure) {
            captureMessage("cannot remove %s: %s", utf8Name(file).c_str(), failure.message().c_str());
            return false;
        }
    }
    return true;
}

bool PngFolderSink::writeFrame(const CapturedFrame& frame) {
    if (!writeFramePng(inFolder(folder_, frameName(frame.index)), frame))
        return false;
    ++framesWritten_;
    return true;
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

std::string PngFolderSink::abandon() {
    audio_.discard();
    std::error_code ignored;
    for (uint32_t index = 0; index < framesWritten_; ++index)
        fs::remove(utf8Path(inFolder(folder_, frameName(index))), ignored);
    const std::string removed = std::to_string(framesWritten_) + " frames and " + AUDIO_FILE;
    if (madeFolder_ && fs::remove(utf8Path(folder_), ignored))
        return "the folder " + folder_ + " it made, with " + removed;
    return removed + " from " + folder_;
}
