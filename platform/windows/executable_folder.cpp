// The executable's folder on Windows (platform/executable_folder.h).
#include "platform/executable_folder.h"

#include "platform/windows/executable_path.h"

namespace fs = std::filesystem;

fs::path executableFolder() { return executablePath().parent_path(); }

// Installed or unpacked, the data folder lies beside the programs, which the
// executable's own folder already covers.
std::vector<fs::path> installedDataFolders(const fs::path&) { return {}; }
