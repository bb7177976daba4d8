#include "app/run_sequence.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "audio/music_player.h"
#include "audio/sound_system.h"
#include "platform/data_folder.h"
#include "platform/factory_kind.h"
#include "platform/gl_window.h"
#include "platform/program_message.h"
#include "platform/system_dialogs.h"
#include "scenes/scene_kinds.h"
#include "timeline/timeline.h"

namespace {

constexpr const char* WINDOW_TITLE = "Pelmira 15 Advert";
constexpr const char* REQUIRED_EXTENSIONS[] = {"ARB_multitexture", "EXT_texture_env_combine"};
constexpr const char* NO_SUPPORT_CAPTION = "no hardware support...";
constexpr const char* NO_SUPPORT_TEXT =
    "OpenGL 1.1, ARB_multitexture and EXT_texture_env_combine are required to run this application";

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;

const char* const STAGE_NAMES[] = {
    "",
    "starting the video system",
    "switching the display mode",
    "creating the window",
    "getting the drawable",
    "choosing the pixel format",
    "setting the pixel format",
    "creating the OpenGL context",
    "making the OpenGL context current",
};

bool extensionsPresent() {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions == nullptr)
        return false;
    for (const char* name : REQUIRED_EXTENSIONS) {
        if (!hasExtension(name, extensions))
            return false;
    }
    return true;
}

}  // namespace

bool hasExtension(const char* name, const char* extensions) {
    const size_t n = std::strlen(name);
    const size_t m = std::strlen(extensions);
    if (n > m)
        return false;
    for (size_t p = 0; p <= m - n; ++p) {
        if (std::memcmp(extensions + p, name, n) == 0)
            return true;
    }
    return false;
}

bool enterShowData(std::string& triedFolders) { return enterDataFolder(MUSIC_FILE, triedFolders); }

ShowParts presentationParts() { return ShowParts{createGlWindow, createMusicPlayer, true}; }

int runShow(const ShowParts& parts) {
    DisplayConfig* config = new DisplayConfig();
    config->fullscreen = parts.fullscreen;
    config->displayIndex = parts.displayIndex;
    AppInfo* app = new AppInfo{nullptr, WINDOW_TITLE, parts.icon};
    int status = EXIT_OK;

    GlWindow* window = parts.createWindow(STANDARD_KIND);
    if (!window->init(*config, *app)) {
        // What went wrong first, in the user's words; the stage for a bug report.
        std::fprintf(stderr, "%s: cannot open the window: %s (set-up stage %d, %s)\n", parts.programName,
                     lastWindowError(), static_cast<int>(config->status), STAGE_NAMES[config->status]);
        window->shutdown(*config, *app);
        delete window;
        delete app;
        delete config;
        return EXIT_FAILED;
    }

    const bool extensions = extensionsPresent();
    MusicPlayer* player = parts.createPlayer(STANDARD_KIND);
    player->init();
    const bool opened = player->open(MUSIC_FILE);
    if (!opened) {
        std::fprintf(stderr, "%s: cannot play %s: %s\n", parts.programName, fullPath(MUSIC_FILE).c_str(),
                     soundLastError());
        status = EXIT_FAILED;
    }

    if (opened && extensions) {
        player->play();
        runMainLoop(*window, *player, showSceneFactory());
        player->stop();
    }
    player->close();

    if (!extensions) {
        showCursor(true);
        showErrorBox(NO_SUPPORT_CAPTION, NO_SUPPORT_TEXT);
        status = EXIT_FAILED;
    }

    window->shutdown(*config, *app);
    delete player;
    delete window;
    delete app;
    delete config;
    return status;
}
