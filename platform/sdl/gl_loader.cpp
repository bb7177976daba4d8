#include "gfx/gl_subset.h"

#include <SDL.h>

void* glProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }
