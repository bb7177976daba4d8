// The recorder: runs the show offscreen on a virtual clock and writes what it
// draws, frame for frame, as a PNG, a folder of PNGs or a video.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/capture/capture_log.h"
#include "app/capture/capture_options.h"
#include "app/capture/png_sinks.h"
#include "app/capture/progress_bar.h"
#include "app/capture/recording.h"
#include "app/capture/video_sink.h"
#include "app/run_sequence.h"
#include "base/file_path.h"
#include "platform/program_start.h"
#include "platform/quit_request.h"
#include "platform/terminal.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

std::unique_ptr<FrameSink> sinkFor(const CaptureOptions& options) {
    switch (options.output) {
    case CaptureOutput::SingleFrame:
        return std::make_unique<PngFileSink>(options.path);
    case CaptureOutput::PngFolder:
        return std::make_unique<PngFolderSink>(options.path, options.replaceFrames);
    case CaptureOutput::Video:
        break;
    }
    return std::make_unique<VideoSink>(options.path, options.video);
}

}  // namespace

int main(int argc, char** argv) {
    startProgram(argc, argv);
    // Progress and messages go on when stderr is a pipe whose reader left.
    ignoreBrokenPipes();
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(argc, argv, options, error)) {
        captureMessage("%s", error.c_str());
        std::fprintf(stderr, "Try '%s --help' for more information.\n", CAPTURE_TOOL_NAME);
        return EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(CAPTURE_USAGE, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", CAPTURE_TOOL_NAME, PELMIRA_VERSION);
        return 0;
    }
    // The output stays where the user meant it once the data folder becomes
    // the working directory.
    std::error_code failure;
    const std::filesystem::path output = std::filesystem::absolute(utf8Path(options.path), failure);
    if (!failure)
        options.path = utf8Name(output);
    std::string tried;
    if (!enterShowData(tried)) {
        captureMessage("cannot find %s; looked in %s", MUSIC_FILE, tried.c_str());
        return EXIT_FAILED;
    }
    installQuitSignals();
    if (!options.note.empty())
        captureMessage("%s", options.note.c_str());
    std::unique_ptr<FrameSink> sink = sinkFor(options);
    // A single frame needs no progress line.
    std::unique_ptr<ProgressBar> progress;
    if (options.output != CaptureOutput::SingleFrame)
        progress = std::make_unique<ProgressBar>(stderr, options.plan.schedule.frameCount,
                                                 terminalColumns(STDERR_FILENO));
    const int status = record(options.plan, *sink, progress.get());
    if (status == 0)
        captureMessage("wrote %s", options.path.c_str());
    return status;
}
