// Opening a file by its name as the program holds it: UTF-8, whatever the
// OS's own narrow encoding is. Every file the program reads or writes opens
// here, so a folder named in any script works on every platform.
//
// What the rest of the program may rely on:
//   - openFile(path, mode) is std::fopen with a UTF-8 path and fopen's
//     modes; null, with errno set, when the file cannot be opened.
//   - utf8Path(name) and utf8Name(path) convert between a UTF-8 name and a
//     std::filesystem::path, whose own narrow conversions use the OS's code
//     page (on Windows not UTF-8). Every name the program builds, tests or
//     removes with std::filesystem goes through them.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

std::FILE* openFile(const char* path, const char* mode);

inline std::filesystem::path utf8Path(const std::string& name) { return std::filesystem::u8path(name); }
inline std::string utf8Name(const std::filesystem::path& path) { return path.u8string(); }
