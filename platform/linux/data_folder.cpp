#include "platform/data_folder.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Where the executable lies; empty when the system does not say.
fs::path executableFolder() {
    std::error_code failure;
    const fs::path executable = fs::read_symlink("/proc/self/exe", failure);
    return failure ? fs::path() : executable.parent_path();
}

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
        folders.push_back(beside.parent_path() / PELMIRA_DATA_BELOW_PREFIX);
    }
    return folders;
}

bool holds(const fs::path& folder, const char* file) {
    std::error_code failure;
    return fs::is_regular_file(folder / file, failure);
}

}  // namespace

bool enterDataFolder(const char* file, std::string& triedFolders) {
    triedFolders.clear();
    std::vector<fs::path> tried;
    for (const fs::path& folder : candidateFolders()) {
        const fs::path normal = folder.lexically_normal();
        if (std::find(tried.begin(), tried.end(), normal) != tried.end())
            continue;
        if (holds(normal, file) && chdir(normal.c_str()) == 0)
            return true;
        tried.push_back(normal);
        triedFolders += (triedFolders.empty() ? "" : ", ") + normal.string();
    }
    return false;
}
