#include "app/capture/frame_sink.h"

#include <filesystem>
#include <system_error>

#include "app/capture/capture_log.h"

bool FrameSink::beginAudio(uint32_t) { return true; }

bool FrameSink::writeAudio(const int16_t*, size_t) { return true; }

bool outputFolderExists(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code failure;
    if (folder.empty() || std::filesystem::is_directory(folder, failure))
        return true;
    captureMessage("cannot write %s: no folder %s", path.c_str(), folder.string().c_str());
    return false;
}
