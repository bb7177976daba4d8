#include "platform/system_dialogs.h"

#include <SDL.h>

#include <cstdio>

void showCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void showErrorBox(const char* caption, const char* text) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
}
