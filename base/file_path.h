// Opening a file by its name as the program holds it: UTF-8, whatever the
// OS's own narrow encoding is. Every file the program reads or writes opens
// here, so a folder named in any script works on every platform.
//
// What the rest of the program may rely on:
//   - openFile(path, mode) is std::fopen with a UTF-8 path and fopen's
//     modes; null, with errno set, when the file cannot be opened.
#pragma once

#include <cstdio>

std::FILE* openFile(const char* path, const char* mode);
