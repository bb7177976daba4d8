// A seam for tests of the window set-up: make one stage fail on purpose and
// see which stages shutdown() undid, in order. The seam's state lives in
// gl_window_faults.cpp, not in the window.
#pragma once

#include <cstdint>

// The stage that the next init() fails at; 0 lets every stage run.
void injectSetupFailure(int32_t stage);

// The stages undone by the last shutdown(), in the order they were undone;
// answers how many were written into order.
int32_t undoneStages(int32_t* order, int32_t capacity);

// The window's side of the seam: whether a test asked this stage to fail,
// and the record of what a shutdown undoes.
bool setupFailureInjectedAt(int32_t stage);
void forgetUndoneStages();
void noteUndoneStage(int32_t stage);
