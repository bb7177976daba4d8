// The program's process-wide state, and the one way back to how a process
// starts, for tools that run the show more than once in a process.
//
// What resetProcessState() puts back:
//   - escapePressed: false (platform/gl_window.h);
//   - sharedPixelFormat and sharedPixelFormatFilled: zero, not filled;
//   - sceneTimeline: empty (timeline/timeline.h); it forgets the scenes it
//     pointed to without destroying them, so call it outside a show, never
//     while its scenes live;
//   - particles: every record zero (scenes/glow_sprite_scene.h);
//   - the sound layer's master volume: full (255);
//   - a pending quit request: taken (platform/quit_request.h).
#pragma once

void resetProcessState();
