#include "platform/system_dialogs.h"

#include <SDL.h>

#include <cstdio>

#include "platform/display_guard.h"

void showCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void showErrorBox(const char* caption, const char* text) {
    const BoxWatch watch(caption);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
}
