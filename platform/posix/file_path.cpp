// POSIX takes a file's name as bytes: UTF-8 passes through
// (base/file_path.h).
#include "base/file_path.h"

std::FILE* openFile(const char* path, const char* mode) { return std::fopen(path, mode); }
