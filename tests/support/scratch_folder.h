// A scratch folder for files that a program under test writes while it plays.
// Header-only, on std::filesystem alone, so that a suite built for any
// desktop can use it without the rest of the test support.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

// A new folder named NAME-XXXXXX (six random letters), in memory (/dev/shm)
// where the system has it, else in the system's temporary folder; "" when
// none can be made. SDL's disk driver writes its sound file from the audio
// thread, and on a disk busy with other writes a write can block past the
// sound layer's stall limit, which then rightly takes the device for lost;
// memory never holds it up.
inline std::string makeScratchFolder(const std::string& name) {
    namespace fs = std::filesystem;
    constexpr int TRIES_PER_ROOT = 100;
    constexpr int RANDOM_LETTERS = 6;
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 pick{std::random_device{}()};
    std::uniform_int_distribution<size_t> letter(0, sizeof LETTERS - 2);

    std::error_code error;
    const fs::path temporary = fs::temp_directory_path(error);
    for (const fs::path& root : {fs::path("/dev/shm"), temporary}) {
        if (root.empty())
            continue;
        for (int attempt = 0; attempt < TRIES_PER_ROOT; ++attempt) {
            std::string leaf = name + "-";
            for (int i = 0; i < RANDOM_LETTERS; ++i)
                leaf += LETTERS[letter(pick)];
            const fs::path folder = root / leaf;
            // False without an error: the name is taken, so draw another.
            if (fs::create_directory(folder, error))
                return folder.generic_string();
            if (error)
                break;
        }
    }
    return "";
}
