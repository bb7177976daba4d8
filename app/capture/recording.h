// One recording: the show's own run sequence, timeline, scenes and data,
// drawn offscreen at 1024 x 768 on a virtual clock, every frame handed to a
// sink with its slice of the track at the frame's master volume.
//
// The show's state is process-wide, so recordings run one after another,
// never two at a time; each starts from the state a new process has.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/capture/audio_cutter.h"
#include "app/capture/clock_player.h"
#include "app/capture/frame_clock.h"
#include "audio/track_decoder.h"
#include "audio/volume.h"

class FrameSink;
class GlWindow;
class ProgressBar;

struct RecordingPlan {
    FrameSchedule schedule;
    bool escape = false;       // an Escape at the first pass whose time >= escapeAtMs
    uint32_t escapeAtMs = 0;
    bool withAudio = true;
};

class Recording : public PassClock {
public:
    Recording(const RecordingPlan& plan, FrameSink& sink, ProgressBar* progress);

    // The player's position: the time of the pass being drawn.
    uint32_t timeMs() const override { return clock_.timeMs(); }
    // The player's open: decodes the track when the plan records sound.
    bool openTrack(const char* path) override;
    const char* trackError() const override { return trackError_.c_str(); }
    // Whether the window should read the coming frame back.
    bool wantsPixels() const;
    // The window's swap: the frame just drawn (top row first; null when no
    // pixels were wanted).
    void frameDrawn(const uint8_t* rgb);
    // Request bits for the pump after the frame just drawn: PUMP_ENDING once,
    // at the escape time; PUMP_QUIT once the last frame is in or a write failed.
    uint32_t requests();

    // The player's master volume: the show's fade sets it frame by frame.
    void setMasterVolume(int volume) override { masterVolume_ = volume; }
    uint32_t recordedFrames() const { return clock_.frame(); }
    bool failed() const { return failed_; }

private:
    RecordingPlan plan_;
    FrameSink& sink_;
    ProgressBar* progress_;
    FrameClock clock_;
    DecodedTrack track_;
    std::unique_ptr<AudioCutter> cutter_;
    uint32_t drawnTimeMs_ = 0;
    int masterVolume_ = FULL_VOLUME;
    bool endingSent_ = false;
    bool failed_ = false;
    std::string trackError_;
};

// The window a recording draws in, which its CaptureWindow wraps, and the
// tag of the messages of a run that cannot open it.
struct RecordingScreen {
    GlWindow* (*create)();  // a new window, never null; made once per recording
    const char* programName;
};

// The recorder's: the platform's own window, drawing offscreen whatever the
// environment asks for (on a desktop platform only).
extern const RecordingScreen OFFSCREEN_SCREEN;

// Runs the show once into the sink (open, frames, then finish or abandon);
// progress may be null. Answers 0 after a complete recording, 2 when the
// sink could not open (nothing was drawn), 1 after any other failure. Every
// failure has been reported on stderr; a quit signal in one line, saying
// what was removed.
int record(const RecordingPlan& plan, FrameSink& sink, ProgressBar* progress,
           const RecordingScreen& screen = OFFSCREEN_SCREEN);
