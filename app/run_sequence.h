// The program's one run sequence: open the window, test the extensions, open
// the music, run the show, undo everything.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/music_player.h"
#include "content/show_data.h"
#include "platform/gl_window.h"
#include "timeline/main_loop.h"

// The tag of the show's messages on stderr.
constexpr const char* SHOW_PROGRAM_NAME = "pelmira15";


// Makes the folder that holds the show's data the working directory, looking
// where a user may have started the program from (see platform/data_folder.h);
// answers false with the folders tried when none holds it.
bool enterShowData(std::string& triedFolders);

// True when name occurs anywhere in extensions as a plain run of characters.
bool hasExtension(const char* name, const char* extensions);

// What a run is made of; the show uses the window layer and the music player,
// the recorder its own offscreen window and virtual clock. Each factory gives
// an object for STANDARD_KIND (base/factory_kind.h), null for any other.
struct ShowParts {
    std::function<GlWindow*(int kind)> createWindow;
    std::function<MusicPlayer*(int kind)> createPlayer;
    bool fullscreen = false;
    int displayIndex = 0;  // the monitor to use, from 0 (the primary)
    const char* programName = SHOW_PROGRAM_NAME;  // tags the messages of a failed run
    const WindowIcon* icon = nullptr;             // the window's icon, if any
};

// The show's own parts: the fullscreen window and the streamed track.
ShowParts presentationParts();

// The run sequence in three steps, for a host that owns the frame loop (a
// browser calls step() once per animation frame):
//   - start() opens the window, tests the extensions, opens the music and,
//     when all three worked, starts the music and loads the scenes; it
//     answers whether there are frames to draw.
//   - step() draws one frame; it answers whether the show goes on.
//   - finish() ends the loop, stops and closes the music, shows the missing
//     extensions' message box, shuts the window down and deletes the player,
//     then the window; it answers the process exit status: 0 after every
//     normal end, 1 when the window, the extensions or the music failed.
// finish() is the one clean-up path: the destructor calls it when the host
// did not.
class ShowRun {
public:
    explicit ShowRun(const ShowParts& parts);
    ~ShowRun();
    ShowRun(const ShowRun&) = delete;
    ShowRun& operator=(const ShowRun&) = delete;

    bool start();
    bool step();
    int finish();
    // Whether the viewer paused the running show.
    bool paused() const { return state_ == State::RUNNING && loop_->paused(); }

private:
    enum class State { CREATED, RUNNING, STOPPED, FINISHED };

    ShowParts parts_;
    DisplayConfig config_;
    AppInfo app_;
    std::unique_ptr<GlWindow> window_;
    std::unique_ptr<MusicPlayer> player_;
    std::optional<MainLoop> loop_;
    State state_ = State::CREATED;
    bool windowOpen_ = false;
    bool extensions_ = false;
    int status_;  // the exit status so far
};

// The whole sequence: start(), step() until the show is over, finish().
int runShow(const ShowParts& parts);
