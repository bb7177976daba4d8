// make_pictures OUTPUT_DIR: draws every picture the show reads from its data
// folder and writes them there as 8-bit RGB PNG files. The output depends on
// nothing but this program and the DejaVu fonts, so every run gives the same
// bytes. Each file is written under a temporary name and then renamed, so a
// failed run never leaves a half-written picture under a real name.
#include "tools/pictures/bump_map.h"
#include "tools/pictures/lettering.h"
#include "tools/pictures/png_writer.h"
#include "tools/pictures/screen_pictures.h"
#include "tools/pictures/slide_pictures.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* TAG = "make_pictures";

struct Picture {
    std::string file;
    std::function<Canvas()> draw;
};

std::vector<Picture> showPictures(const Lettering& lettering) {
    std::vector<Picture> pictures = {
        {"pelmira.png", [&] { return drawTitle(lettering); }},
        {"orvek_new.png", [&] { return drawBackground(lettering); }},
        {"drosk_logo.png", [&] { return drawLogo(lettering); }},
        {"texture_bump.png", [] { return drawBumpMap(); }},
        {"credits.png", [&] { return drawCreditsHeadings(lettering); }},
        {"credits2.png", [&] { return drawCreditsNames(lettering); }},
    };
    for (int i = 0; i < TEXT_SLIDE_COUNT; ++i) {
        pictures.push_back({"text" + std::to_string(i + 1) + ".png", [&lettering, i] {
                                return drawTextSlide(lettering, i);
                            }});
    }
    return pictures;
}

bool savePicture(const Canvas& canvas, const std::filesystem::path& path, std::string* error) {
    const std::vector<uint8_t> rgb = canvas.toRgb8();
    PngImage image;
    image.width = uint32_t(canvas.width());
    image.height = uint32_t(canvas.height());
    image.colorType = PNG_WRITER_RGB;
    image.bitDepth = 8;
    image.rows = rgb.data();
    const std::filesystem::path temporary = path.string() + ".tmp";
    if (!writePng(temporary.c_str(), image, error)) return false;
    std::error_code failure;
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        std::filesystem::remove(temporary, failure);
        *error = path.string() + ": cannot rename into place";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", TAG);
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    const std::filesystem::path directory = argv[1];
    std::error_code failure;
    std::filesystem::create_directories(directory, failure);
    if (failure) {
        std::fprintf(stderr, "%s: %s: %s\n", TAG, argv[1], failure.message().c_str());
        return 1;
    }

    Lettering lettering;
    std::string error;
    if (!lettering.open(&error)) {
        std::fprintf(stderr, "%s: %s\n", TAG, error.c_str());
        return 1;
    }
    const std::vector<Picture> pictures = showPictures(lettering);
    for (const Picture& picture : pictures) {
        if (!savePicture(picture.draw(), directory / picture.file, &error)) {
            std::fprintf(stderr, "%s: %s\n", TAG, error.c_str());
            return 1;
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    std::printf("%s: %zu pictures in %s, %.2f s\n", TAG, pictures.size(), argv[1], elapsed.count());
    return 0;
}
