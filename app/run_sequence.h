// The program's one run sequence: open the window, test the extensions, open
// the music, run the show, undo everything.
#pragma once

class GlWindow;
class MusicPlayer;

// True when name occurs anywhere in extensions as a plain run of characters.
bool hasExtension(const char* name, const char* extensions);

// What a run is made of; the show uses the window layer and the music player,
// the recorder its own offscreen window and virtual clock.
struct ShowParts {
    GlWindow* (*createWindow)(int kind);
    MusicPlayer* (*createPlayer)(int kind);
    bool fullscreen;
};

// The show's own parts: the fullscreen window and the streamed track.
ShowParts presentationParts();

// Runs the whole sequence; answers the process exit status: 0 after every
// normal end, 1 when the window, the extensions or the music fail.
int runShow(const ShowParts& parts);
