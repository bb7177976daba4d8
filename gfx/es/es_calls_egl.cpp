// The ES calls on a native GLES 3 context: the pointers eglGetProcAddress
// gives, never the C names, which in a program linking the backend are the
// backend's own (or, through libGL, the desktop driver's).
#include "gfx/es/es_calls.h"

#include <EGL/egl.h>

namespace es {
namespace {

#define PELMIRA_ES_POINTER(type, name, parameters, arguments) type(*p##name) parameters = nullptr;
PELMIRA_ES_CALLS(PELMIRA_ES_POINTER)
#undef PELMIRA_ES_POINTER

// Fills one pointer; false when the context lacks the function.
template <typename Pointer>
bool bindOne(Pointer& pointer, const char* name, const char*& missing) {
    pointer = reinterpret_cast<Pointer>(eglGetProcAddress(name));
    if (pointer == nullptr)
        missing = name;
    return pointer != nullptr;
}

}  // namespace

#define PELMIRA_ES_FORWARD(type, name, parameters, arguments) \
    type name parameters { return p##name arguments; }
PELMIRA_ES_CALLS(PELMIRA_ES_FORWARD)
#undef PELMIRA_ES_FORWARD

bool bindCalls(const char*& missing) {
#define PELMIRA_ES_BIND(type, name, parameters, arguments) \
    if (!bindOne(p##name, "gl" #name, missing))            \
        return false;
    PELMIRA_ES_CALLS(PELMIRA_ES_BIND)
#undef PELMIRA_ES_BIND
    return true;
}

}  // namespace es
