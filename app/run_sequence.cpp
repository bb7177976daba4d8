#include "app/run_sequence.h"

#include <cstdio>
#include <cstring>

#include "audio/music_player.h"
#include "base/factory_kind.h"
#include "base/program_message.h"
#include "gfx/fixed_gl_state.h"
#include "gfx/gl_subset.h"
#include "platform/data_folder.h"
#include "platform/gl_window.h"
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

ShowParts presentationParts() {
    ShowParts parts;
    parts.createWindow = createGlWindow;
    parts.createPlayer = createMusicPlayer;
    parts.fullscreen = true;
    return parts;
}

ShowRun::ShowRun(const ShowParts& parts) : parts_(parts), status_(EXIT_OK) {
    config_.fullscreen = parts.fullscreen;
    config_.displayIndex = parts.displayIndex;
    app_ = AppInfo{nullptr, WINDOW_TITLE, parts.icon};
}

ShowRun::~ShowRun() {
    if (state_ != State::FINISHED)
        finish();
}

bool ShowRun::start() {
    window_.reset(parts_.createWindow(STANDARD_KIND));
    if (!window_->init(config_, app_)) {
        // What went wrong first, in the user's words; the stage for a bug report.
        std::fprintf(stderr, "%s: cannot open the window: %s (set-up stage %d, %s)\n", parts_.programName,
                     lastWindowError(), static_cast<int>(config_.status), setupStageName(config_.status));
        status_ = EXIT_FAILED;
        state_ = State::STOPPED;
        return false;
    }
    windowOpen_ = true;
    setFixedGlState(fixedGlFrame(config_));

    extensions_ = extensionsPresent();
    player_.reset(parts_.createPlayer(STANDARD_KIND));
    player_->init();
    const bool opened = player_->open(MUSIC_FILE);
    if (!opened) {
        std::fprintf(stderr, "%s: cannot play %s: %s\n", parts_.programName, fullPath(MUSIC_FILE).c_str(),
                     player_->lastError());
        status_ = EXIT_FAILED;
    }
    if (!opened || !extensions_) {
        state_ = State::STOPPED;
        return false;
    }
    player_->play();
    loop_.emplace(*window_, *player_, showSceneFactory());
    loop_->begin();
    state_ = State::RUNNING;
    return true;
}

bool ShowRun::step() { return state_ == State::RUNNING && loop_->frame(); }

int ShowRun::finish() {
    if (state_ == State::RUNNING) {
        loop_->end();
        loop_.reset();
        player_->stop();
    }
    if (player_ != nullptr)
        player_->close();

    if (windowOpen_ && !extensions_) {
        showCursor(true);
        showErrorBox(NO_SUPPORT_CAPTION, NO_SUPPORT_TEXT);
        status_ = EXIT_FAILED;
    }

    if (window_ != nullptr)
        window_->shutdown(config_, app_);
    // The player goes first: it may still refer to what the window made.
    player_.reset();
    window_.reset();
    state_ = State::FINISHED;
    return status_;
}

int runShow(const ShowParts& parts) {
    ShowRun run(parts);
    if (run.start()) {
        while (run.step())
            continue;
    }
    return run.finish();
}
