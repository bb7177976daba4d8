#include "app/capture/frame_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/capture/capture_log.h"
#include "base/file_path.h"

bool FrameSink::beginAudio(uint32_t) { return true; }

bool FrameSink::writeAudio(const int16_t*, size_t) { return true; }

bool outputCanBeWritten(const std::string& path, const std::string& trial) {
    namespace fs = std::filesystem;
    const fs::path folder = utf8Path(path).parent_path();
    std::error_code failure;
    if (!folder.empty() && !fs::is_directory(folder, failure)) {
        captureMessage("cannot write %s: no folder %s", path.c_str(), utf8Name(folder).c_str());
        return false;
    }
    // A pipe or a device may block on opening, or take the trial as data.
    const fs::file_status status = fs::status(utf8Path(trial), failure);
    if (fs::is_other(status))
        return true;
    std::FILE* file = openFile(trial.c_str(), "ab");
    if (file == nullptr) {
        captureMessage("cannot write %s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    std::fclose(file);
    if (!fs::exists(status))
        fs::remove(utf8Path(trial), failure);
    return true;
}
