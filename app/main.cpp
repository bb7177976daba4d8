// The show: started without arguments, it runs fullscreen until the music
// ends, Escape ends it, or the window is closed.
#include <cstdio>
#include <memory>
#include <string>

#include "app/run_sequence.h"
#include "app/show_options.h"
#include "base/factory_kind.h"
#include "content/show_data.h"
#include "gfx/texture.h"
#include "platform/gl_window.h"
#include "platform/program_start.h"
#include "platform/quit_request.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr int32_t ALPHA_FROM_FILE = 0;

}  // namespace

int main(int argc, char** argv) {
    startProgram(argc, argv);
    ShowOptions options;
    std::string error;
    if (!parseShowOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s\n", SHOW_PROGRAM_NAME, error.c_str());
        std::fprintf(stderr, "Try '%s --help' for more information.\n", SHOW_PROGRAM_NAME);
        return EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(SHOW_USAGE, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", SHOW_PROGRAM_NAME, PELMIRA_VERSION);
        return 0;
    }
    installQuitSignals();
    std::string tried;
    if (!enterShowData(tried)) {
        std::fprintf(stderr, "%s: cannot find %s; looked in %s\n", SHOW_PROGRAM_NAME, MUSIC_FILE, tried.c_str());
        return EXIT_FAILED;
    }
    ShowParts parts = presentationParts();
    parts.fullscreen = !options.window;
    parts.displayIndex = options.displayIndex;
    // Without its icon the window shows the desktop's default one.
    std::unique_ptr<Texture> iconPicture(createTexture(STANDARD_KIND));
    iconPicture->loadPng(WINDOW_ICON_FILE, ALPHA_FROM_FILE);
    const WindowIcon icon{iconPicture->width, iconPicture->height, iconPicture->pixels};
    if (iconPicture->pixels != nullptr)
        parts.icon = &icon;
    const int status = runShow(parts);
    iconPicture->freePixels();
    return status;
}
