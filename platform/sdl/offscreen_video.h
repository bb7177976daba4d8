// Headless rendering for tools that draw the show without a display.
//
// What the rest of the program may rely on:
//   - After useOffscreenVideo(), the next window set-up draws through SDL's
//     offscreen driver (EGL on the system's GL, no display server), whatever
//     the environment asked for before.
#pragma once

void useOffscreenVideo();
