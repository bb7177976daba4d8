// Headless rendering for tools that draw the show without a display.
//
// What the rest of the program may rely on:
//   - After useOffscreenVideo(), the next window set-up draws with no
//     display server to show it (on Linux SDL's offscreen driver, EGL on the
//     system's GL), whatever the environment asked for before.
#pragma once

void useOffscreenVideo();
