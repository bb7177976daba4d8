// make_pictures OUTPUT_DIR: draws every picture the show reads from its data
// folder (content/show_data.h) and writes them there as 8-bit RGB PNG files,
// and the window's icon as an 8-bit RGBA one.
// make_pictures --icons ICON_DIR: draws the program's icon in every size as
// 8-bit RGBA PNG files, laid out as an icon theme wants them
// (ICON_DIR/48x48/apps/pelmira15.png). The output depends on
// nothing but this program and the DejaVu fonts, so every run gives the same
// bytes. Each file is written under a temporary name and then renamed, so a
// failed run never leaves a half-written picture under a real name.
#include "content/show_data.h"
#include "gfx/png_writer.h"
#include "tools/pictures/bump_map.h"
#include "tools/pictures/icon_picture.h"
#include "tools/pictures/lettering.h"
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
constexpr const char* ICONS_OPTION = "--icons";
constexpr const char* ICON_FILE = "pelmira15.png";
// The show's window carries the icon in the size window managers most often
// show.
constexpr int WINDOW_ICON_SIZE = 64;

struct Picture {
    std::string file;
    std::function<Canvas()> draw;
};

std::vector<Picture> showPictures(const Lettering& lettering) {
    std::vector<Picture> pictures = {
        {dataFileName(TITLE_PICTURE_FILE), [&] { return drawTitle(lettering); }},
        {dataFileName(BACKGROUND_PICTURE_FILE), [&] { return drawBackground(lettering); }},
        {dataFileName(LOGO_PICTURE_FILE), [&] { return drawLogo(lettering); }},
        {dataFileName(BUMP_HEIGHT_MAP_FILE), [] { return drawBumpMap(); }},
        {dataFileName(CREDITS_UPPER_PICTURE_FILE), [&] { return drawCreditsHeadings(lettering); }},
        {dataFileName(CREDITS_LOWER_PICTURE_FILE), [&] { return drawCreditsNames(lettering); }},
    };
    for (int i = 0; i < TEXT_SLIDE_COUNT; ++i) {
        pictures.push_back({dataFileName(textSlideFile(i).c_str()), [&lettering, i] {
                                return drawTextSlide(lettering, i);
                            }});
    }
    return pictures;
}

// Writes 8-bit RGB or RGBA bytes (by colorType) as path.
bool savePng(const std::vector<uint8_t>& bytes, int width, int height, int colorType,
             const std::filesystem::path& path, std::string* error) {
    PngImage image;
    image.width = uint32_t(width);
    image.height = uint32_t(height);
    image.colorType = colorType;
    image.bitDepth = 8;
    image.rows = bytes.data();
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

bool saveShowPictures(const Lettering& lettering, const std::filesystem::path& directory, std::string* error) {
    for (const Picture& picture : showPictures(lettering)) {
        const Canvas canvas = picture.draw();
        if (!savePng(canvas.toRgb8(), canvas.width(), canvas.height(), PNG_WRITER_RGB, directory / picture.file, error))
            return false;
    }
    const IconPicture icon = drawIcon(lettering, WINDOW_ICON_SIZE);
    return savePng(icon.colour.toRgba8(icon.opacity), WINDOW_ICON_SIZE, WINDOW_ICON_SIZE, PNG_WRITER_RGBA,
                   directory / dataFileName(WINDOW_ICON_FILE), error);
}

bool saveIcons(const Lettering& lettering, const std::filesystem::path& directory, std::string* error) {
    for (const int size : ICON_SIZES) {
        const std::string square = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = directory / square / "apps";
        std::error_code failure;
        std::filesystem::create_directories(folder, failure);
        if (failure) {
            *error = folder.string() + ": " + failure.message();
            return false;
        }
        const IconPicture icon = drawIcon(lettering, size);
        if (!savePng(icon.colour.toRgba8(icon.opacity), size, size, PNG_WRITER_RGBA, folder / ICON_FILE, error))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string(argv[1]) == ICONS_OPTION;
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR | %s %s ICON_DIR\n", TAG, TAG, ICONS_OPTION);
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    const char* const target = argv[argc - 1];
    const std::filesystem::path directory = target;
    std::error_code failure;
    std::filesystem::create_directories(directory, failure);
    if (failure) {
        std::fprintf(stderr, "%s: %s: %s\n", TAG, target, failure.message().c_str());
        return 1;
    }

    Lettering lettering;
    std::string error;
    if (!lettering.open(&error)) {
        std::fprintf(stderr, "%s: %s\n", TAG, error.c_str());
        return 1;
    }
    const bool saved = icons ? saveIcons(lettering, directory, &error) : saveShowPictures(lettering, directory, &error);
    if (!saved) {
        std::fprintf(stderr, "%s: %s\n", TAG, error.c_str());
        return 1;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    std::printf("%s: %s in %s, %.2f s\n", TAG, icons ? "icons" : "pictures", target, elapsed.count());
    return 0;
}
