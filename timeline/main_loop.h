// The main loop, one frame at a time. A native program runs it to the end with
// runMainLoop(); a host that owns the loop (a browser's animation frames)
// calls begin() once, frame() once per frame while it answers true, then end().
//
// What a host may rely on:
//   - begin() builds every scene (loading all their data) before the first
//     frame; end() destroys them. Between the two, frame() allocates nothing.
//   - One frame() draws exactly one frame: clear, read the music position,
//     activate and render the due scenes, swap, pump the window's messages,
//     begin the ending on a request, then test for the end. It answers false
//     once a quit was asked for or the frame at SHOW_END_MS was drawn, and
//     from then on draws nothing.
#pragma once

#include <cstdint>

#include "timeline/timeline.h"

class GlWindow;
class MusicPlayer;

class MainLoop {
public:
    MainLoop(GlWindow& window, MusicPlayer& player, const SceneFactory& factory);
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    void begin();
    bool frame();
    void end();

private:
    GlWindow& window_;
    MusicPlayer& player_;
    const SceneFactory& factory_;
    bool quitRequested_ = false;  // raised by a scene (the logo) through ShowLinks
    bool running_ = false;
};

// The whole loop: until a quit request or the frame at SHOW_END_MS; the music
// is already playing. Returns after the scenes are destroyed.
void runMainLoop(GlWindow& window, MusicPlayer& player, const SceneFactory& factory);
