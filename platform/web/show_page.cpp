// The program the page loads. It fetches the show's data into data/, then
// runs the show's own run sequence once per start the page asks for (a click
// or a key on its start or end card), one frame per animation frame. With
// ?at=MS[&escape=E] it draws instead the frame the recorder draws at MS
// (after an Escape at E), on the recorder's clock, and keeps it.
//
// The page's states (document.documentElement.dataset.state) after "start":
// "playing", "ending" (after the first Escape), "ended", "frame" and
// "error", whose line is the last one the program wrote on stderr.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/wget.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/capture/clock_player.h"
#include "app/capture/frame_clock.h"
#include "app/process_state.h"
#include "app/run_sequence.h"
#include "base/factory_kind.h"
#include "base/program_message.h"
#include "content/show_data.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_gl_window.h"
#include "timeline/timeline.h"

namespace {

constexpr int QUERY_CAPACITY = 32;
constexpr int NO_TIME = -1;
constexpr mode_t DATA_FOLDER_MODE = 0755;

// ?at=MS[&escape=E]: one frame on the recorder's clock.
struct FrameRequest {
    bool wanted = false;
    uint32_t atMs = 0;
    bool escape = false;
    uint32_t escapeAtMs = 0;
};

// The clock of the one frame: the recorder's passes for a schedule of one
// frame at atMs (whose rate therefore does not matter), with no sound.
class StillFrame final : public PassClock {
public:
    explicit StillFrame(const FrameRequest& request)
        : escape_(request.escape),
          escapeAtMs_(request.escapeAtMs),
          clock_(FrameSchedule{request.atMs, FrameRate{}, 1}, request.escape, request.escapeAtMs) {}

    uint32_t timeMs() const override { return clock_.timeMs(); }
    bool openTrack(const char*) override { return true; }
    const char* trackError() const override { return ""; }
    void setMasterVolume(int) override {}

    // Draws every pass up to the frame; answers whether the frame was drawn.
    // The Escape is pressed on the first pass at or after its time, so the
    // pump of that pass begins the ending, as in the recorder.
    bool draw(ShowRun& run) {
        bool escaped = false;
        while (!clock_.done()) {
            if (escape_ && !escaped && clock_.timeMs() >= escapeAtMs_) {
                pageQueueEscape();
                escaped = true;
            }
            drawnMs_ = clock_.timeMs();
            const bool more = run.step();
            clock_.advance();
            if (!more && !clock_.done())
                return false;
        }
        return true;
    }

    // The music time of the last pass drawn.
    uint32_t drawnMs() const { return drawnMs_; }

private:
    bool escape_;
    uint32_t escapeAtMs_;
    FrameClock clock_;
    uint32_t drawnMs_ = 0;
};

struct Page {
    FrameRequest frame;
    std::vector<std::string> files;  // the data still to fetch, by index
    int pending = 0;
    bool dataIn = false;
    bool failed = false;
    bool startRequested = false;
    std::unique_ptr<ShowRun> run;
    std::unique_ptr<StillFrame> stillFrame;
    MusicPlayer* player = nullptr;  // the running show's; the run owns it
    bool ending = false;
    int lastTimeMs = NO_TIME;
};

Page page;

void fail() {
    page.failed = true;
    pageShowError();
}

// Every file the show reads; the music only when it plays.
std::vector<std::string> showDataFiles(bool withMusic) {
    std::vector<std::string> files = {TITLE_PICTURE_FILE,         BACKGROUND_PICTURE_FILE,
                                      LOGO_PICTURE_FILE,          BUMP_HEIGHT_MAP_FILE,
                                      CREDITS_UPPER_PICTURE_FILE, CREDITS_LOWER_PICTURE_FILE};
    for (int slide = 0; slide < TEXT_SLIDE_COUNT; ++slide)
        files.push_back(textSlideFile(slide));
    if (withMusic)
        files.push_back(MUSIC_FILE);
    return files;
}

// A whole number of ms, digits only.
bool parseMs(const char* text, uint32_t& ms) {
    if (*text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value > UINT32_MAX)
        return false;
    ms = static_cast<uint32_t>(value);
    return true;
}

// Reads ?at= and ?escape= the way the recorder reads --at and --escape-at.
bool readFrameRequest(FrameRequest& request) {
    char text[QUERY_CAPACITY];
    request.wanted = pageQueryValue("at", text, sizeof text) >= 0;
    if (!request.wanted)
        return true;
    if (!parseMs(text, request.atMs)) {
        programMessage("?at= takes a music time in whole ms, not '%s'", text);
        return false;
    }
    if (request.atMs > SHOW_END_MS) {
        programMessage("?at= lies after the show's end (%u ms)", static_cast<unsigned>(SHOW_END_MS));
        return false;
    }
    request.escape = pageQueryValue("escape", text, sizeof text) >= 0;
    if (request.escape && !parseMs(text, request.escapeAtMs)) {
        programMessage("?escape= takes a music time in whole ms, not '%s'", text);
        return false;
    }
    if (request.escape && request.escapeAtMs >= SHOW_END_MS) {
        programMessage("?escape= lies after the show's end (%u ms)", static_cast<unsigned>(SHOW_END_MS));
        return false;
    }
    return true;
}

// A new run starts from the state a new process has, as each of the
// recorder's recordings does.
bool startRun(const ShowParts& parts) {
    resetProcessState();
    page.run = std::make_unique<ShowRun>(parts);
    if (page.run->start())
        return true;
    page.run->finish();
    page.run.reset();
    page.player = nullptr;
    fail();
    return false;
}

void endShow() {
    page.lastTimeMs = static_cast<int>(page.player->timeMs());
    page.player = nullptr;
    page.run->finish();
    page.run.reset();
    pageSetState("ended");
}

EM_BOOL onShowFrame(double, void*) {
    const bool more = page.run->step();
    if (more && escapePressed && !page.ending) {
        page.ending = true;
        pageSetState("ending");
    }
    if (more)
        return EM_TRUE;
    endShow();
    return EM_FALSE;
}

void startShow() {
    ShowParts parts = presentationParts();
    parts.createPlayer = [](int kind) {
        page.player = createMusicPlayer(kind);
        return page.player;
    };
    if (!startRun(parts))
        return;
    page.ending = false;
    pageSetState("playing");
    emscripten_request_animation_frame_loop(onShowFrame, nullptr);
}

EM_BOOL onStillFrame(double, void*) {
    const bool drawn = page.stillFrame->draw(*page.run);
    page.lastTimeMs = static_cast<int>(page.stillFrame->drawnMs());
    page.run->finish();
    page.run.reset();
    if (drawn) {
        pageSetState("frame");
    } else {
        programMessage("the show ends before %u ms", static_cast<unsigned>(page.frame.atMs));
        fail();
    }
    return EM_FALSE;
}

// The frame is drawn in a canvas that keeps it, for the page to read back.
void startStillFrame() {
    page.stillFrame = std::make_unique<StillFrame>(page.frame);
    ShowParts parts = presentationParts();
    parts.createWindow = [](int kind) -> GlWindow* {
        return kind == STANDARD_KIND ? new WebGlWindow(true) : nullptr;
    };
    parts.createPlayer = [](int kind) -> MusicPlayer* {
        return kind == STANDARD_KIND ? new ClockPlayer(*page.stillFrame) : nullptr;
    };
    if (startRun(parts))
        emscripten_request_animation_frame_loop(onStillFrame, nullptr);
}

void onDataIn() {
    page.dataIn = true;
    if (page.frame.wanted)
        startStillFrame();
    else if (page.startRequested)
        startShow();
}

void onFetched(unsigned, void* arg, void* data, unsigned size) {
    const std::string& path = page.files[reinterpret_cast<uintptr_t>(arg)];
    if (page.failed)
        return;
    FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(data, 1, size, file) == size;
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        programMessage("cannot store %s", path.c_str());
        fail();
        return;
    }
    if (--page.pending == 0)
        onDataIn();
}

void onFetchFailed(unsigned, void* arg, int status, const char* statusText) {
    if (page.failed)
        return;
    const std::string& path = page.files[reinterpret_cast<uintptr_t>(arg)];
    if (status == 0)
        programMessage("cannot read %s: the request failed", path.c_str());
    else
        programMessage("cannot read %s: %d %s", path.c_str(), status, statusText);
    fail();
}

}  // namespace

extern "C" {

// The page's start card or end card was clicked or a key pressed on it; a
// start asked for before the data are in happens once they are.
EMSCRIPTEN_KEEPALIVE void showRequestStart() {
    if (page.failed || page.frame.wanted || page.run != nullptr)
        return;
    if (!page.dataIn)
        page.startRequested = true;
    else
        startShow();
}

// The music position the show runs on, in ms; -1 before the first start.
EMSCRIPTEN_KEEPALIVE int showMusicTimeMs() {
    return page.player != nullptr ? static_cast<int>(page.player->timeMs()) : page.lastTimeMs;
}

}

int main() {
    if (!readFrameRequest(page.frame)) {
        fail();
        return 0;
    }
    page.files = showDataFiles(!page.frame.wanted);
    page.pending = static_cast<int>(page.files.size());
    mkdir(DATA_FOLDER, DATA_FOLDER_MODE);
    for (size_t i = 0; i < page.files.size(); ++i) {
        constexpr int FREE_AFTER_CALLBACK = 1;
        emscripten_async_wget2_data(page.files[i].c_str(), "GET", "", reinterpret_cast<void*>(i),
                                    FREE_AFTER_CALLBACK, onFetched, onFetchFailed, nullptr);
    }
    return 0;
}
