// The data folder's search order, the same on every desktop
// (platform/data_folder.h); the executable's place comes from the OS.
// Paths are UTF-8 inside the program: u8path and u8string keep them so where
// the OS's own narrow encoding is another.
#include "platform/data_folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/executable_folder.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> candidateFolders() {
    std::error_code failure;
    std::vector<fs::path> folders;
    const fs::path workingFolder = fs::current_path(failure);
    if (!failure)
        folders.push_back(workingFolder);
    const fs::path beside = executableFolder();
    if (!beside.empty()) {
        folders.push_back(beside);
        folders.push_back(beside.parent_path());
        for (const fs::path& installed : installedDataFolders(beside.parent_path()))
            folders.push_back(installed);
    }
    return folders;
}

bool holds(const fs::path& folder, const char* file) {
    std::error_code failure;
    return fs::is_regular_file(folder / fs::u8path(file), failure);
}

bool enter(const fs::path& folder) {
    std::error_code failure;
    fs::current_path(folder, failure);
    return !failure;
}

}  // namespace

bool enterDataFolder(const char* file, std::string& triedFolders) {
    triedFolders.clear();
    std::vector<fs::path> tried;
    for (const fs::path& folder : candidateFolders()) {
        const fs::path normal = folder.lexically_normal();
        if (std::find(tried.begin(), tried.end(), normal) != tried.end())
            continue;
        if (holds(normal, file) && enter(normal))
            return true;
        tried.push_back(normal);
        triedFolders += (triedFolders.empty() ? "" : ", ") + normal.u8string();
    }
    return false;
}
