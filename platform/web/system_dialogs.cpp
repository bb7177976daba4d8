// The cursor and the error box of a page (platform/system_dialogs.h).
#include "platform/system_dialogs.h"

#include <cstdio>

#include "platform/web/page_bridge.h"

void showCursor(bool visible) { pageShowCursor(visible ? 1 : 0); }

// A page has no modal box: the line goes to the console, and the page shows
// the last line there as its error line once the run has failed.
void showErrorBox(const char* caption, const char* text) { std::fprintf(stderr, "%s: %s\n", caption, text); }
