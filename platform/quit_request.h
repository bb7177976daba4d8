// The quit request: any code, a signal handler included, may post one; the
// window layer's pumpMessages() reports it as PUMP_QUIT.
#pragma once

// Posts a quit request. Async-signal-safe.
void postQuitRequest();

// Answers whether a quit request was posted since the last call, and clears it.
bool takeQuitRequest();

// Turns SIGINT, SIGTERM, SIGHUP and SIGQUIT (Ctrl-\) into quit requests, so
// a stopped run ends the normal way and the desktop display mode comes back.
// On Windows: the console's Ctrl-C, Ctrl-Break, close, logoff and shutdown.
void installQuitSignals();

// Answers whether one of those signals has arrived since installQuitSignals(),
// for tools that clean up after an interrupted run.
bool quitSignalReceived();

// A non-blocking descriptor that turns readable when one of those signals
// arrives, for a thread that waits in poll() and cannot see the flag; -1
// before installQuitSignals(), and always on Windows, whose waiters wait on
// an event of their own. The waiter may read it empty.
int quitSignalFd();
