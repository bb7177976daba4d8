// What the program asks of the page it runs in (platform/web/page_bridge.js,
// a JavaScript library linked into the program), and the page's script
// (app/web/page/show.js) of the program.
//
// What both sides may rely on:
//   - The page's script queues every Escape pressed while the show plays;
//     pageTakeEscapes() answers how many came since the last call.
//   - It queues the presses of the keys pageWatchKeys() named, too, in
//     order and without the browser's own use of them (no scrolling);
//     pageTakeKey() answers them one by one.
//   - The page's state is document.documentElement.dataset.state; the
//     program sets every state after "start". pageShowError() sets "error"
//     with the last line the program wrote on stderr as the page's #message.
#pragma once

extern "C" {

int pageTakeEscapes(void);
// Queues an Escape as if pressed, for the next pump.
void pageQueueEscape(void);
// The keys to queue from now on, by their KeyboardEvent.key names; forgets
// the presses still queued.
void pageWatchKeys(const char* const* names, int count);
// The index in names of the next key pressed, setting repeated when it was
// held down; -1 once none is left.
int pageTakeKey(int* repeated);
void pageSetState(const char* state);
void pageShowError(void);
void pageShowCursor(int visible);
// Shows or hides the note that the show waits for its data.
void pageShowWaiting(int waiting);
// Copies the value of the page address's query parameter name into buffer
// (terminated, cut to size); answers its length, or -1 when it is absent.
int pageQueryValue(const char* name, char* buffer, int size);

}
