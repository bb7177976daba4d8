// The few desktop services the run sequence needs besides the window.
#pragma once

// Shows or hides the mouse cursor over the show's window.
void showCursor(bool visible);

// A modal error box with one OK button, owned by no window; blocks until it is
// dismissed: by its button, Return, Escape, closing it, or a quit signal.
// Where no box can be shown (no display) the text goes to stderr.
void showErrorBox(const char* caption, const char* text);
