// What a viewer may ask of the show besides Escape: pause, seek and step.
// Each platform's window maps its own keys to these commands and hands them
// over after each pump (GlWindow::takeViewerCommand); the main loop decides
// what each does to the music and the timeline.
//
// The keys, on every platform: Space pauses and resumes; Left and Right seek
// a short way, Page Up and Page Down a long way; Home goes back to the start;
// comma and full stop step one frame back and forward while paused. Held
// down, every key but Space and Home goes on giving its command. A player's
// seek bar asks for a position itself: SEEK_TO, its target in the request.
#pragma once

#include <cstdint>

enum class ViewerCommand : uint8_t {
    TOGGLE_PAUSE,
    BACK_SHORT,
    FORWARD_SHORT,
    BACK_LONG,
    FORWARD_LONG,
    TO_START,
    STEP_BACK,
    STEP_FORWARD,
    SEEK_TO,
};

// A command as queued; only SEEK_TO reads targetMs, the music time it asks for.
struct ViewerRequest {
    constexpr ViewerRequest(ViewerCommand asked = ViewerCommand::TOGGLE_PAUSE, uint32_t askedMs = 0)
        : command(asked), targetMs(askedMs) {}
    ViewerCommand command;
    uint32_t targetMs;
};

constexpr ViewerRequest seekTo(uint32_t ms) { return {ViewerCommand::SEEK_TO, ms}; }

// A held key's repeats would flip the pause on and off, and go back to the
// start again and again: only the moves repeat.
constexpr bool repeatsWhenHeld(ViewerCommand command) {
    return command != ViewerCommand::TOGGLE_PAUSE && command != ViewerCommand::TO_START;
}

// The commands of one pump, oldest first. A pump that sees more than fit (a
// key held down at a very low frame rate) drops the rest: each is a key press
// the viewer can repeat.
class ViewerCommandQueue {
public:
    void clear() { count_ = taken_ = 0; }
    void push(ViewerRequest request) {
        if (count_ < CAPACITY)
            commands_[count_++] = request;
    }
    // A key press giving the command; repeated: by a key held down.
    void press(ViewerCommand command, bool repeated) {
        if (!repeated || repeatsWhenHeld(command))
            push(command);
    }
    bool take(ViewerRequest& request) {
        if (taken_ == count_)
            return false;
        request = commands_[taken_++];
        return true;
    }

private:
    static constexpr int CAPACITY = 16;
    ViewerRequest commands_[CAPACITY] = {};
    int count_ = 0;
    int taken_ = 0;
};
