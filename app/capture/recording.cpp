#include "app/capture/recording.h"

#include <memory>

#include "app/capture/capture_log.h"
#include "app/capture/capture_window.h"
#include "app/capture/clock_player.h"
#include "app/capture/frame_sink.h"
#include "app/capture/progress_bar.h"
#include "app/process_state.h"
#include "app/run_sequence.h"
#include "base/factory_kind.h"
#include "platform/gl_window.h"
#include "platform/quit_request.h"

namespace {

constexpr int RECORDED = 0;
constexpr int FAILED = 1;
constexpr int REFUSED = 2;

}  // namespace

Recording::Recording(const RecordingPlan& plan, FrameSink& sink, ProgressBar* progress)
    : plan_(plan), sink_(sink), progress_(progress), clock_(plan.schedule, plan.escape, plan.escapeAtMs) {}

bool Recording::openTrack(const char* path) {
    if (!plan_.withAudio)
        return true;
    // The run sequence says why, in its one line about the track.
    if (!decodeTrack(path, track_, trackError_))
        return false;
    cutter_.reset(new AudioCutter(track_, plan_.schedule));
    if (sink_.beginAudio(track_.sampleRate))
        return true;
    trackError_ = "the recording takes no sound";
    return false;
}

bool Recording::wantsPixels() const { return !clock_.inLeadIn() && sink_.wantsPixels(); }

void Recording::frameDrawn(const uint8_t* rgb) {
    drawnTimeMs_ = clock_.timeMs();
    if (clock_.inLeadIn() || clock_.done() || failed_) {
        clock_.advance();
        return;
    }
    const uint32_t n = clock_.frame();
    bool ok = sink_.writeFrame(CapturedFrame{n, drawnTimeMs_, rgb, masterVolume_});
    if (ok && cutter_ != nullptr) {
        size_t frames = 0;
        const int16_t* samples = cutter_->cut(n, masterVolume_, frames);
        ok = sink_.writeAudio(samples, frames);
    }
    failed_ = !ok;
    clock_.advance();
    if (progress_ != nullptr)
        progress_->update(clock_.frame());
}

uint32_t Recording::requests() {
    uint32_t bits = 0;
    if (plan_.escape && !endingSent_ && drawnTimeMs_ >= plan_.escapeAtMs) {
        endingSent_ = true;
        bits |= PUMP_ENDING;
    }
    if (clock_.done() || failed_)
        bits |= PUMP_QUIT;
    return bits;
}

int record(const RecordingPlan& plan, FrameSink& sink, ProgressBar* progress, const RecordingScreen& screen) {
    if (!sink.open())
        return REFUSED;
    Recording recording(plan, sink, progress);
    // Each recording starts the show from its first state, as a new process would.
    resetProcessState();
    ShowParts parts;
    parts.createWindow = [&recording, &screen](int kind) -> GlWindow* {
        return kind == STANDARD_KIND ? new CaptureWindow(recording, std::unique_ptr<GlWindow>(screen.create()))
                                     : nullptr;
    };
    parts.createPlayer = [&recording](int kind) -> MusicPlayer* {
        return kind == STANDARD_KIND ? new ClockPlayer(recording) : nullptr;
    };
    parts.programName = screen.programName;
    const int shown = runShow(parts);
    if (quitSignalReceived()) {
        if (progress != nullptr)
            progress->stop();
        const std::string removed = sink.abandon();
        captureMessage("interrupted%s%s", removed.empty() ? "" : "; removed ", removed.c_str());
        return FAILED;
    }
    if (progress != nullptr)
        progress->finish(recording.recordedFrames());
    if (shown == 0 && !recording.failed() && recording.recordedFrames() == 0)
        captureMessage("the show drew no frame to record");
    if (shown != 0 || recording.failed() || recording.recordedFrames() == 0) {
        sink.abandon();
        return FAILED;
    }
    return sink.finish() ? RECORDED : FAILED;
}
