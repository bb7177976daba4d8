// The display guard on Windows (platform/display_guard.h). Windows' own
// window driver reports a closed or destroyed window as SDL_QUIT, so there
// are no display errors to catch; what is left is the choice of that
// driver, the session's end and a message box that a quit signal should
// close.
#include "platform/display_guard.h"

#include <SDL.h>
#include <windows.h>

#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "base/program_message.h"
#include "platform/quit_request.h"
#include "platform/windows/quit_event.h"
#include "platform/windows/wide_text.h"

namespace {

constexpr const char* WINDOWS_DRIVER = "windows";
// The box appears some time after the watch starts: look for it this often.
constexpr DWORD BOX_LOOK_MS = 100;

// The session ending (logoff, shutdown) asks every window first.
void SDLCALL onWindowsMessage(void*, void*, unsigned int message, Uint64, Sint64) {
    if (message == WM_QUERYENDSESSION || message == WM_ENDSESSION)
        postQuitRequest();
}

// Until the quit signal (or the stop), then until the box is found.
void watch(const std::wstring& caption, HANDLE stop) {
    const HANDLE quit = quitSignalEvent();
    const HANDLE wakes[] = {stop, quit};
    const DWORD count = quit == nullptr ? 1 : 2;
    if (WaitForMultipleObjects(count, wakes, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
        return;
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        const HWND box = FindWindowW(nullptr, caption.c_str());
        if (box != nullptr) {
            PostMessageW(box, WM_CLOSE, 0, 0);
            return;
        }
        if (WaitForSingleObject(stop, BOX_LOOK_MS) != WAIT_TIMEOUT)
            return;
    }
}

}  // namespace

// Under Wine DISPLAY is set, and SDL would pick its x11 driver. A driver the
// user or a tool named (SDL_VIDEODRIVER) is kept.
bool startDisplayVideo() {
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, WINDOWS_DRIVER);
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

void guardDisplayErrors() { SDL_SetWindowsMessageHook(onWindowsMessage, nullptr); }

struct BoxWatch::Watcher {
    Watcher() = default;
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;
    ~Watcher();

    HANDLE stop = nullptr;
    std::thread thread;
};

BoxWatch::Watcher::~Watcher() {
    if (thread.joinable()) {
        SetEvent(stop);
        thread.join();
    }
    if (stop != nullptr)
        CloseHandle(stop);
}

BoxWatch::BoxWatch(const char* caption) {
    auto watcher = std::make_unique<Watcher>();
    watcher->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (watcher->stop == nullptr) {
        programMessage("cannot watch the message box");
        return;
    }
    try {
        watcher->thread = std::thread(watch, wideFromUtf8(caption), watcher->stop);
    } catch (const std::system_error& error) {
        programMessage("cannot watch the message box: %s", error.what());
        return;
    }
    watcher_ = std::move(watcher);
}

BoxWatch::~BoxWatch() = default;
