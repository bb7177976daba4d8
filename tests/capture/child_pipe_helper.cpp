// The child the ChildPipe tests start, the same program on every platform:
//   child_pipe_helper copy FILE STATUS   stdin into FILE, then exit STATUS
//   child_pipe_helper exit STATUS        exit at once, reading nothing
//   child_pipe_helper sleep SECONDS      sleep, reading nothing
//   child_pipe_helper args FILE ARG...   each ARG on a line of FILE
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr int USAGE = 125;

int copyInput(const char* path, int status) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr)
        return USAGE;
    char block[4096];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof(block), stdin)) > 0)
        std::fwrite(block, 1, got, out);
    std::fclose(out);
    return status;
}

int writeArguments(const char* path, int count, char** args) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr)
        return USAGE;
    for (int i = 0; i < count; ++i)
        std::fprintf(out, "%s\n", args[i]);
    std::fclose(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "copy") == 0 && argc == 4)
        return copyInput(argv[2], std::atoi(argv[3]));
    if (std::strcmp(mode, "exit") == 0 && argc == 3)
        return std::atoi(argv[2]);
    if (std::strcmp(mode, "sleep") == 0 && argc == 3) {
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
        return 0;
    }
    if (std::strcmp(mode, "args") == 0 && argc >= 3)
        return writeArguments(argv[2], argc - 3, argv + 3);
    std::fprintf(stderr, "child_pipe_helper: unknown call\n");
    return USAGE;
}
