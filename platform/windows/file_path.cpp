// Windows opens a file by its UTF-16 name (base/file_path.h): the narrow
// fopen() reads the ANSI code page, and Wine ignores the UTF-8 one the
// manifest asks for.
#include "base/file_path.h"

#include "platform/windows/wide_text.h"

std::FILE* openFile(const char* path, const char* mode) {
    return _wfopen(wideFromUtf8(path).c_str(), wideFromUtf8(mode).c_str());
}
