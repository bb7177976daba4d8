// make_icon OUT.ico PICTURE.png...: the Windows build's icon from the
// desktop icon's pictures, written under a temporary name and renamed when
// whole.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "tools/windows_icon/icon_file.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

bool readAll(const char* path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.good() || in.eof();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icon OUT.ico PICTURE.png...\n");
        return EXIT_USAGE;
    }
    std::vector<std::vector<uint8_t>> pngs(static_cast<size_t>(argc - 2));
    for (int i = 2; i < argc; ++i) {
        if (!readAll(argv[i], pngs[static_cast<size_t>(i - 2)])) {
            std::fprintf(stderr, "make_icon: cannot read %s\n", argv[i]);
            return EXIT_FAILED;
        }
    }
    std::string error;
    const std::vector<uint8_t> icon = iconFile(pngs, error);
    if (icon.empty()) {
        std::fprintf(stderr, "make_icon: %s\n", error.c_str());
        return EXIT_FAILED;
    }
    const std::string temporary = std::string(argv[1]) + ".part";
    std::ofstream(temporary, std::ios::binary).write(reinterpret_cast<const char*>(icon.data()),
                                                     static_cast<std::streamsize>(icon.size()));
    std::error_code failure;
    std::filesystem::rename(temporary, argv[1], failure);
    if (failure || std::filesystem::file_size(argv[1], failure) != icon.size()) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return EXIT_FAILED;
    }
    return 0;
}
