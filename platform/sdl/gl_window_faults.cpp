#include "platform/sdl/gl_window_faults.h"

namespace {

constexpr int32_t UNDO_LOG_CAPACITY = 8;

int32_t injectedFailure = 0;
int32_t undoLog[UNDO_LOG_CAPACITY];
int32_t undoLogLength = 0;

}  // namespace

void injectSetupFailure(int32_t stage) { injectedFailure = stage; }

int32_t undoneStages(int32_t* order, int32_t capacity) {
    const int32_t count = undoLogLength < capacity ? undoLogLength : capacity;
    for (int32_t i = 0; i < count; ++i)
        order[i] = undoLog[i];
    return count;
}

bool setupFailureInjectedAt(int32_t stage) { return injectedFailure == stage; }

void forgetUndoneStages() { undoLogLength = 0; }

void noteUndoneStage(int32_t stage) {
    if (undoLogLength < UNDO_LOG_CAPACITY)
        undoLog[undoLogLength++] = stage;
}
