// Links SDL2 (through SDL2main), libpng and libmpg123 the way the programs do
// and prints, one line each, what a comparison with the native libraries
// can check:
//   sdl <version> video: <drivers> audio: <drivers>
//   png <width>x<height> <sum of the RGBA bytes>
//   mp3 <rate> <channels> <samples> <sum of |sample|>
// of the picture and the first FRAMES frames of the music given.
//   third_party_smoke PICTURE.png MUSIC.mp3
#include <SDL.h>
#include <mpg123.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int FRAMES = 16;

std::string driverList(int count, const char* (*name)(int)) {
    std::string list;
    for (int i = 0; i < count; ++i) {
        list += i == 0 ? "" : ",";
        list += name(i);
    }
    return list;
}

bool printSdl() {
    SDL_version version;
    SDL_GetVersion(&version);
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "smoke: SDL_Init: %s\n", SDL_GetError());
        return false;
    }
    std::printf("sdl %d.%d.%d video: %s audio: %s\n", version.major, version.minor, version.patch,
                driverList(SDL_GetNumVideoDrivers(), SDL_GetVideoDriver).c_str(),
                driverList(SDL_GetNumAudioDrivers(), SDL_GetAudioDriver).c_str());
    SDL_Quit();
    return true;
}

bool printPng(const char* path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::fprintf(stderr, "smoke: %s: %s\n", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "smoke: %s: %s\n", path, image.message);
        return false;
    }
    std::uint64_t sum = 0;
    for (png_byte byte : pixels) sum += byte;
    std::printf("png %ux%u %llu\n", image.width, image.height, static_cast<unsigned long long>(sum));
    return true;
}

bool printMp3(const char* path) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr || mpg123_open(handle, path) != MPG123_OK) {
        std::fprintf(stderr, "smoke: %s: %s\n", path, handle ? mpg123_strerror(handle) : "mpg123_new failed");
        mpg123_delete(handle);
        return false;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(handle, &rate, &channels, &encoding);
    mpg123_format_none(handle);
    mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16);

    std::uint64_t samples = 0, magnitude = 0;
    for (int frame = 0; frame < FRAMES; ++frame) {
        off_t number = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        int status = mpg123_decode_frame(handle, &number, &audio, &bytes);
        if (status == MPG123_NEW_FORMAT) continue;
        if (status != MPG123_OK) {
            std::fprintf(stderr, "smoke: %s: frame %d: %s\n", path, frame, mpg123_strerror(handle));
            mpg123_delete(handle);
            return false;
        }
        const auto* sample = reinterpret_cast<const std::int16_t*>(audio);
        for (size_t i = 0; i < bytes / sizeof(std::int16_t); ++i) {
            magnitude += static_cast<std::uint64_t>(std::abs(sample[i]));
        }
        samples += bytes / sizeof(std::int16_t);
    }
    std::printf("mp3 %ld %d %llu %llu\n", rate, channels, static_cast<unsigned long long>(samples),
                static_cast<unsigned long long>(magnitude));
    mpg123_delete(handle);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: third_party_smoke PICTURE.png MUSIC.mp3\n");
        return 2;
    }
    bool passed = printSdl();
    passed = printPng(argv[1]) && passed;
    passed = printMp3(argv[2]) && passed;
    std::fflush(stdout);
    return passed ? 0 : 1;
}
