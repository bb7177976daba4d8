// Looks up OpenGL entry points by name in the current context's driver.
// Needs a current context; answers null for a name the driver lacks. Callers
// test the extension string first, since a driver may hand back a pointer for
// a function it does not support.
#pragma once

void* glProcAddress(const char* name);
