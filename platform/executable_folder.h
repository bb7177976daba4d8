// Where the running program lies, which only the OS can say: the data folder
// search (platform/data_folder.cpp) starts from it.
//
// What the rest of the program may rely on:
//   - executableFolder() is the folder of the running executable, or empty
//     when the system does not say.
//   - installedDataFolders(prefix) lists the folders, below the prefix of an
//     installation (the folder above the executable's), where this OS's
//     packages keep the data folder; none where it lies beside the programs.
#pragma once

#include <filesystem>
#include <vector>

std::filesystem::path executableFolder();

std::vector<std::filesystem::path> installedDataFolders(const std::filesystem::path& prefix);
