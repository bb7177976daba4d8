// The program the page loads. It takes the show's data, which the page
// fetches from its start, into data/, the music as it streams in, then
// runs the show's own run sequence once per start the page asks for (a click
// or a key on its start or end card), one frame per animation frame. With
// ?at=MS[&escape=E] it draws instead the frame the recorder draws at MS
// (after an Escape at E), through the recorder's own passes, and keeps it.
//
// The page's states (document.documentElement.dataset.state) after "start":
// "playing", "ending" (after the first Escape), "ended", "frame" and
// "error", whose line is the last one the program wrote on stderr.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/capture/frame_sink.h"
#include "app/capture/frame_times.h"
#include "app/capture/recording.h"
#include "app/long_option.h"
#include "app/process_state.h"
#include "app/run_sequence.h"
#include "audio/web/streamed_input.h"
#include "base/program_message.h"
#include "content/show_data.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_gl_window.h"
#include "scenes/credits_scene.h"
#include "scenes/text_slides_scene.h"
#include "timeline/scene.h"
#include "timeline/scene_type.h"
#include "timeline/timeline.h"

// app/web/page_data.js: hands over the file at path once the page has it,
// through emscripten_async_wget2_data's callbacks, the handle always 0.
extern "C" void pageTakeData(const char* path, void* arg, void (*onload)(unsigned, void*, void*, unsigned),
                             void (*onerror)(unsigned, void*, int, const char*));
// app/web/page_data.js: hands over the music part by part as it streams in.
extern "C" void pageStreamData(void* arg, void (*onchunk)(void*, void*, int, int), void (*onend)(void*),
                               void (*onerror)(void*, int, const char*));

namespace {

constexpr int QUERY_CAPACITY = 32;
constexpr int NO_TIME = -1;
constexpr mode_t DATA_FOLDER_MODE = 0755;

// ?at=MS[&escape=E]: one frame on the recorder's clock.
struct FrameRequest {
    bool wanted = false;
    FrameTimes times;
};

const FrameTimeNames QUERY_NAMES = {"?at=", nullptr, "?escape="};

// The one frame's sink: the canvas keeps the frame, so no pixels are read
// back; it notes the music time the frame shows.
class CanvasFrame final : public FrameSink {
public:
    bool open() override { return true; }
    bool wantsPixels() const override { return false; }
    bool writeFrame(const CapturedFrame& frame) override {
        timeMs = static_cast<int>(frame.timeMs);
        return true;
    }
    bool finish() override { return true; }
    std::string abandon() override { return ""; }

    int timeMs = NO_TIME;
};

// The canvas, made to keep the frame for the page to read back.
GlWindow* createKeptCanvas() { return new WebGlWindow(true); }

const RecordingScreen CANVAS_SCREEN = {createKeptCanvas, SHOW_PROGRAM_NAME};

struct Page {
    FrameRequest frame;
    std::vector<std::string> files;  // the pictures still to fetch, by index
    int pending = 0;
    std::string music;  // empty when no music plays
    int64_t musicBytes = 0;
    bool musicReady = false;  // enough of it is in to start
    bool dataIn = false;
    bool failed = false;
    bool startRequested = false;
    std::unique_ptr<ShowRun> run;
    MusicPlayer* player = nullptr;  // the running show's; the run owns it
    bool ending = false;
    int lastTimeMs = NO_TIME;
    // Where the next start plays from (the address's #t=); queued as a seek
    // after the first frame, whose pump drops the viewer's commands.
    int startAtMs = 0;
    bool firstFrameDrawn = false;
};

Page page;

void fail() {
    page.failed = true;
    pageShowError();
}

// The show's data files of one kind.
std::vector<std::string> showDataFiles(ShowDataKind kind) {
    std::vector<std::string> files;
    for (const ShowDataFile& file : SHOW_DATA_FILES) {
        if (file.kind == kind)
            files.push_back(file.path);
    }
    return files;
}

// A query value, a music time in whole ms.
bool readQueryMs(const char* name, const char* text, uint32_t& ms) {
    if (parseWholeNumber(text, ms))
        return true;
    programMessage("%s takes a music time in whole ms, not '%s'", name, text);
    return false;
}

// Reads ?at= and ?escape= and checks them as the recorder checks its times.
bool readFrameRequest(FrameRequest& request) {
    char text[QUERY_CAPACITY];
    request.wanted = pageQueryValue("at", text, sizeof text) >= 0;
    if (!request.wanted)
        return true;
    if (!readQueryMs(QUERY_NAMES.from, text, request.times.fromMs))
        return false;
    if (pageQueryValue("escape", text, sizeof text) >= 0) {
        uint32_t escapeAtMs = 0;
        if (!readQueryMs(QUERY_NAMES.escapeAt, text, escapeAtMs))
            return false;
        request.times.escapeAtMs = escapeAtMs;
    }
    std::string error;
    if (checkFrameTimes(request.times, QUERY_NAMES, error))
        return true;
    programMessage("%s", error.c_str());
    return false;
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
    if (more && !page.firstFrameDrawn && page.startAtMs > 0)
        pageQueueSeek(page.startAtMs);
    page.firstFrameDrawn = true;
    pageShowWaiting(more && sound_input::waitingForInput());
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
    page.firstFrameDrawn = false;
    pageSetState("playing");
    emscripten_request_animation_frame_loop(onShowFrame, nullptr);
}

// The recorder's passes up to the frame, in one animation frame, drawn in
// the canvas.
EM_BOOL onStillFrame(double, void*) {
    RecordingPlan plan;
    plan.schedule = FrameSchedule{page.frame.times.fromMs, FrameRate{}, 1};
    plan.escape = page.frame.times.escapeAtMs.has_value();
    plan.escapeAtMs = page.frame.times.escapeAtMs.value_or(0);
    plan.withAudio = false;
    CanvasFrame frame;
    const int status = record(plan, frame, nullptr, CANVAS_SCREEN);
    page.lastTimeMs = frame.timeMs;
    if (status == 0)
        pageSetState("frame");
    else
        fail();
    return EM_FALSE;
}

// Once the pictures and the music's first part are in.
void onDataIn() {
    if (page.pending > 0 || (!page.music.empty() && !page.musicReady) || page.dataIn)
        return;
    page.dataIn = true;
    if (page.frame.wanted)
        emscripten_request_animation_frame_loop(onStillFrame, nullptr);
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
    --page.pending;
    onDataIn();
}

void reportFetchFailed(const std::string& path, int status, const char* statusText) {
    if (page.failed)
        return;
    if (status == 0)
        programMessage("cannot read %s: the request failed", path.c_str());
    else
        programMessage("cannot read %s: %d %s", path.c_str(), status, statusText);
    fail();
}

// The timeline's scene of a type while it is active, else null.
const Scene* activeScene(uint16_t type) {
    for (int slot = 0; slot < SCENE_TABLE_ROWS; ++slot) {
        if (SCENE_TABLE[slot].type != type)
            continue;
        const Scene* scene = sceneTimeline.sceneSlots != nullptr ? sceneTimeline.sceneSlots[slot] : nullptr;
        const bool active = scene != nullptr && slot < sceneTimeline.activationCursor && !scene->finished;
        return active ? scene : nullptr;
    }
    return nullptr;
}

// The progress the frame pass hands the scene at the show's clock.
float progressNow(const Scene& scene) { return progressAt(page.player->timeMs(), scene.start, scene.duration); }

// The strip a credits line shows now, or -1.
int creditStrip(const CreditsLine CreditsScene::*line) {
    const Scene* scene = page.player != nullptr ? activeScene(CREDITS_TYPE) : nullptr;
    if (scene == nullptr)
        return -1;
    const CreditsScene& credits = static_cast<const CreditsScene&>(*scene);
    return (credits.*line).stripOfStep[creditsStep(progressNow(*scene), CREDITS_STEPS)];
}

void onFetchFailed(unsigned, void* arg, int status, const char* statusText) {
    reportFetchFailed(page.files[reinterpret_cast<uintptr_t>(arg)], status, statusText);
}

void onMusicChunk(void*, void* data, int size, int ready) {
    if (page.failed)
        return;
    FILE* file = std::fopen(page.music.c_str(), page.musicBytes == 0 ? "wb" : "ab");
    const bool written = file != nullptr && std::fwrite(data, 1, size, file) == static_cast<size_t>(size);
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        programMessage("cannot store %s", page.music.c_str());
        fail();
        return;
    }
    page.musicBytes += size;
    sound_input::streamedBytesIn(page.musicBytes, false);
    page.musicReady = page.musicReady || ready != 0;
    onDataIn();
}

void onMusicEnd(void*) {
    if (page.failed)
        return;
    sound_input::streamedBytesIn(page.musicBytes, true);
    page.musicReady = true;
    onDataIn();
}

void onMusicFailed(void*, int status, const char* statusText) { reportFetchFailed(page.music, status, statusText); }

}  // namespace

extern "C" {

// The page's start card or end card was clicked or a key pressed on it; a
// start asked for before the data are in happens once they are. The show
// plays from atMs (0: the start).
EMSCRIPTEN_KEEPALIVE void showRequestStart(int atMs) {
    if (page.failed || page.frame.wanted || page.run != nullptr)
        return;
    page.startAtMs = atMs;
    if (!page.dataIn)
        page.startRequested = true;
    else
        startShow();
}

// The music position the show runs on, in ms; -1 before the first start.
EMSCRIPTEN_KEEPALIVE int showMusicTimeMs() {
    return page.player != nullptr ? static_cast<int>(page.player->timeMs()) : page.lastTimeMs;
}

// The text slide the show draws now, 0 to TEXT_SLIDE_COUNT - 1, or -1 while
// none shows or the show is not running: the page reads its words out.
EMSCRIPTEN_KEEPALIVE int showTextSlide() {
    const Scene* scene = page.player != nullptr ? activeScene(TEXT_SLIDES_TYPE) : nullptr;
    if (scene == nullptr)
        return -1;
    const TextSlideFrame frame = textSlideAt(progressNow(*scene));
    return frame.alpha > 0 ? frame.index : -1;
}

// The strips the credits lines show now, from the top, or -1 while they do
// not: the heading's and the name's.
EMSCRIPTEN_KEEPALIVE int showCreditHeading() { return creditStrip(&CreditsScene::upperLine); }
EMSCRIPTEN_KEEPALIVE int showCreditName() { return creditStrip(&CreditsScene::lowerLine); }

// Whether the viewer paused the running show.
EMSCRIPTEN_KEEPALIVE int showPaused() { return page.run != nullptr && page.run->paused() ? 1 : 0; }

// The show's length in ms, the end of the seek bar.
EMSCRIPTEN_KEEPALIVE int showLengthMs() { return static_cast<int>(SHOW_END_MS); }

}

int main() {
    if (!readFrameRequest(page.frame)) {
        fail();
        return 0;
    }
    page.files = showDataFiles(ShowDataKind::PICTURE);
    page.pending = static_cast<int>(page.files.size());
    mkdir(DATA_FOLDER, DATA_FOLDER_MODE);
    for (size_t i = 0; i < page.files.size(); ++i)
        pageTakeData(page.files[i].c_str(), reinterpret_cast<void*>(i), onFetched, onFetchFailed);
    if (!page.frame.wanted) {
        page.music = showDataFiles(ShowDataKind::MUSIC).front();
        pageStreamData(nullptr, onMusicChunk, onMusicEnd, onMusicFailed);
    }
    return 0;
}
