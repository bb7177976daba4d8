// The ending: the first Escape fades picture and sound to black, then the
// makers' logo shows and asks the program to quit near its end. The timeline
// times both scenes from the frame that begins the ending; the recorder uses
// the same arithmetic to know when a recording with an Escape ends.
#pragma once

#include <cstdint>

constexpr uint32_t FADE_DURATION_MS = 2500;
constexpr uint32_t LOGO_START_OFFSET_MS = 2500;
constexpr uint32_t LOGO_DURATION_MS = 14000;
// The logo asks to quit on the first frame past this progress.
constexpr float LOGO_QUIT_PROGRESS = 0.95f;

// Whether the logo of an ending begun on the frame at escapeFrameMs draws at
// timeMs and asks to quit there: it draws only inside its own window.
bool logoQuitsAt(uint32_t escapeFrameMs, uint32_t timeMs);
// The first music time at which that logo asks to quit.
uint32_t endingQuitMs(uint32_t escapeFrameMs);
// Whether that logo's window has passed: it can no longer ask to quit.
bool endingOverAt(uint32_t escapeFrameMs, uint32_t timeMs);
