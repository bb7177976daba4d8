// The running executable's own file, as Windows names it (GetModuleFileNameW).
//
// What the rest of the Windows home may rely on:
//   - executablePath() is the full path of the .exe, empty when Windows does
//     not say.
#pragma once

#include <filesystem>

std::filesystem::path executablePath();
