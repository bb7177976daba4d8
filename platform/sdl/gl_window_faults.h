// A seam for tests of the window set-up: make one stage fail on purpose and
// see which stages shutdown() undid, in order.
#pragma once

#include <cstdint>

// The stage that the next init() fails at; 0 lets every stage run.
void injectSetupFailure(int32_t stage);

// The stages undone by the last shutdown(), in the order they were undone;
// answers how many were written into order.
int32_t undoneStages(int32_t* order, int32_t capacity);
