// The program's one run sequence: open the window, test the extensions, open
// the music, run the show, undo everything.
#pragma once

#include <functional>
#include <string>

class GlWindow;
class MusicPlayer;
struct WindowIcon;

// The tag of the show's messages on stderr.
constexpr const char* SHOW_PROGRAM_NAME = "pelmira15";

// The show's music; the folder whose data/ holds it holds the pictures too.
constexpr const char* MUSIC_FILE = "data/lunhal-amber_tide.mp3";

// Makes the folder that holds the show's data the working directory, looking
// where a user may have started the program from (see platform/data_folder.h);
// answers false with the folders tried when none holds it.
bool enterShowData(std::string& triedFolders);

// True when name occurs anywhere in extensions as a plain run of characters.
bool hasExtension(const char* name, const char* extensions);

// What a run is made of; the show uses the window layer and the music player,
// the recorder its own offscreen window and virtual clock. Each factory gives
// an object for STANDARD_KIND (platform/factory_kind.h), null for any other.
struct ShowParts {
    std::function<GlWindow*(int kind)> createWindow;
    std::function<MusicPlayer*(int kind)> createPlayer;
    bool fullscreen;
    int displayIndex = 0;  // the monitor to use, from 0 (the primary)
    const char* programName = SHOW_PROGRAM_NAME;  // tags the messages of a failed run
    const WindowIcon* icon = nullptr;             // the window's icon, if any
};

// The show's own parts: the fullscreen window and the streamed track.
ShowParts presentationParts();

// Runs the whole sequence; answers the process exit status: 0 after every
// normal end, 1 when the window, the extensions or the music fail.
int runShow(const ShowParts& parts);
