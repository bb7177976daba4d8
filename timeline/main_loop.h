// The main loop, one frame at a time. Every program drives it through the run
// sequence (app/run_sequence.h): begin() once, frame() once per frame while it
// answers true, then end(), whether the program's own loop calls frame() or a
// browser's animation frames do. runMainLoop() does all three in one call, for
// the tests and benchmarks that run a whole show on a window of their own.
//
// What a host may rely on:
//   - begin() builds every scene (loading all their data) before the first
//     frame; end() destroys them. Between the two, frame() allocates nothing.
//   - One frame() draws exactly one frame: clear, read the music position,
//     activate and render the due scenes, swap, pump the window's messages,
//     begin the ending on a request, obey the viewer's commands, then test
//     for the end. It answers false once a quit was asked for or the frame at
//     SHOW_END_MS was drawn, and from then on draws nothing. A frame whose
//     time lies past the ending's logo (a machine too slow to draw one in
//     the logo's last moments, when it asks to quit) is not drawn and ends
//     the loop, as the logo would have.
//   - The viewer's commands (platform/viewer_command.h): a pause stops the
//     music through the player's togglePause(), so the frames stand still on
//     its position; a seek or a step moves the music (timeline/viewer_seek.h)
//     and the timeline with it, so the next frame draws the show at that
//     position; a paused frame is drawn that way too, every time, so it
//     stands still. A paused show moved below FIRST_PICTURE_MS (Home)
//     stands on that frame, the title's first picture. Steps need a pause; once the ending has begun only the
//     pause is obeyed, and an Escape while paused also resumes, since the
//     ending runs on the music's clock. Commands of the first frame's pump
//     are dropped: the title has not yet drawn and set up the GL state every
//     later frame finds.
#pragma once

#include <cstdint>

#include "platform/viewer_command.h"
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
    // Whether the viewer paused the show (what a player's controls show).
    bool paused() const { return paused_; }

private:
    // Moves positionMs as the request asks.
    void obey(ViewerRequest request, uint32_t& positionMs);

    GlWindow& window_;
    MusicPlayer& player_;
    const SceneFactory& factory_;
    bool quitRequested_ = false;  // raised by a scene (the logo) through ShowLinks
    bool running_ = false;
    bool firstFrame_ = true;
    bool paused_ = false;
    bool endingBegun_ = false;
    uint32_t endingBeganMs_ = 0;
};

// The whole loop: until a quit request or the frame at SHOW_END_MS; the music
// is already playing. Returns after the scenes are destroyed.
void runMainLoop(GlWindow& window, MusicPlayer& player, const SceneFactory& factory);
