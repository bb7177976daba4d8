// The program's name and its files' names on Windows (base/program_message.h).
#include "base/program_message.h"

#include <filesystem>
#include <system_error>

#include "platform/windows/executable_path.h"

const char* programName() {
    // The executable's own name without ".exe", as Linux names the program;
    // set once, before any thread may ask.
    static const std::string name = executablePath().stem().u8string();
    return name.c_str();
}

std::string fullPath(const char* path) {
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::u8path(path), failure);
    return failure ? std::string(path) : absolute.u8string();
}
