// The ES calls in the browser: emscripten's WebGL 2 functions. Their headers
// bring GLES2/gl2.h, which cannot share a file with GL/gl.h; this file has
// neither's C names to clash with.
#include "gfx/es/es_calls.h"

#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

namespace es {

#define PELMIRA_ES_FORWARD(type, name, parameters, arguments) \
    type name parameters { return emscripten_gl##name arguments; }
PELMIRA_ES_CALLS(PELMIRA_ES_FORWARD)
#undef PELMIRA_ES_FORWARD

// emscripten links every WebGL function it is given.
bool bindCalls(const char*&) { return true; }

}  // namespace es
