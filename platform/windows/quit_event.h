// The Windows home's own view of a quit signal (windows/quit_signals.cpp),
// for a thread that waits on handles and cannot see the flag.
//
// What the rest of the Windows home may rely on:
//   - quitSignalEvent() is a manual-reset event that is set once a console
//     control event has posted a quit request, and stays set; null before
//     installQuitSignals().
#pragma once

#include <windows.h>

HANDLE quitSignalEvent();
