// The executable's folder on Linux, from /proc (platform/executable_folder.h).
#include "platform/executable_folder.h"

#include <system_error>

namespace fs = std::filesystem;

fs::path executableFolder() {
    std::error_code failure;
    const fs::path executable = fs::read_symlink("/proc/self/exe", failure);
    return failure ? fs::path() : executable.parent_path();
}

// Installed, the data lies under share/pelmira15 beside the programs' bin/.
std::vector<fs::path> installedDataFolders(const fs::path& prefix) { return {prefix / PELMIRA_DATA_BELOW_PREFIX}; }
