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
//   - Its player's seek bar queues the music times it seeks to;
//     pageTakeSeekMs() answers them one by one.
//   - The page's state is document.documentElement.dataset.state; the
//     program sets every state after "start". pageShowError() sets "error"
//     with the last line the program wrote on stderr, which the page words
//     for the viewer in #message and shows as it is in #message-detail.
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
// The next music time in ms the page's seek bar asked for; -1 once none is left.
int pageTakeSeekMs(void);
// Queues a seek to ms as if the seek bar asked for it, for the next pump.
void pageQueueSeek(int ms);
void pageSetState(const char* state);
void pageShowError(void);
void pageShowCursor(int visible);
// Shows or hides the note that the show waits for its data.
void pageShowWaiting(int waiting);
// Copies the value of the page address's query parameter name into buffer
// (terminated, cut to size); answers its length, or -1 when it is absent.
int pageQueryValue(const char* name, char* buffer, int size);

}
