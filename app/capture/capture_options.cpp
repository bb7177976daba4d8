#include "app/capture/capture_options.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "timeline/timeline.h"

const char* const CAPTURE_USAGE =
    "usage: pelmira15-capture --at MS frame.png\n"
    "       pelmira15-capture [--fps N|N/D] [--from MS] [--to MS] [--escape-at MS] OUTPUT\n"
    "  --at MS         the one frame the show draws at music time MS, as a PNG\n"
    "  --fps N|N/D     frames per second, whole or a fraction such as 30000/1001 (default 60)\n"
    "  --from MS       music time of the first frame (default 0)\n"
    "  --to MS         music time the recording stops before (default the show's end, 173000)\n"
    "  --escape-at MS  press Escape at the first frame at or after MS: fade, logo, quit\n"
    "  OUTPUT          an H.264 video with sound (show.mp4), or, for an existing folder or a\n"
    "                  path ending in '/', PNG frames (frame_000000.png ...) and audio.wav\n";

namespace {

constexpr uint32_t DEFAULT_FPS = 60;
// Frames closer than a millisecond would show the same music time.
constexpr uint32_t MAX_FPS = 1000;
// Bounds the clock's integer arithmetic.
constexpr uint32_t MAX_RATE_TERM = 1000000;

bool parseMs(const std::string& text, uint32_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed > UINT32_MAX)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool parseRate(const std::string& text, FrameRate& rate) {
    const size_t slash = text.find('/');
    rate.seconds = 1;
    if (!parseMs(text.substr(0, slash), rate.frames))
        return false;
    if (slash != std::string::npos && !parseMs(text.substr(slash + 1), rate.seconds))
        return false;
    return rate.frames > 0 && rate.seconds > 0 && rate.frames <= MAX_RATE_TERM && rate.seconds <= MAX_RATE_TERM &&
           uint64_t{rate.frames} <= uint64_t{MAX_FPS} * rate.seconds;
}

bool isFolderPath(const std::string& path) {
    std::error_code failure;
    return path.back() == '/' || std::filesystem::is_directory(path, failure);
}

// A millisecond option as given: whether it was, and its value.
struct MsOption {
    bool given = false;
    uint32_t ms = 0;
};

struct Given {
    bool fps = false;
    MsOption at, from, to, escapeAt;
};

struct MsOptionName {
    const char* name;
    MsOption Given::*option;
};

constexpr MsOptionName MS_OPTIONS[] = {
    {"--at", &Given::at},
    {"--from", &Given::from},
    {"--to", &Given::to},
    {"--escape-at", &Given::escapeAt},
};

MsOption* msOptionNamed(Given& given, const std::string& name) {
    for (const MsOptionName& entry : MS_OPTIONS) {
        if (name == entry.name)
            return &(given.*entry.option);
    }
    return nullptr;
}

bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
}

// Settles what the options leave open and checks they fit together.
bool completePlan(const Given& given, CaptureOptions& options, std::string& error) {
    RecordingPlan& plan = options.plan;
    plan.escape = given.escapeAt.given;
    plan.escapeAtMs = given.escapeAt.ms;
    const std::string showEnd = std::to_string(SHOW_END_MS);
    if (given.at.given) {
        if (given.fps || given.from.given || given.to.given || given.escapeAt.given)
            return fail(error, "--at takes no other option");
        if (given.at.ms > SHOW_END_MS)
            return fail(error, "--at lies after the show's end (" + showEnd + " ms)");
        options.output = CaptureOutput::SingleFrame;
        plan.schedule.fromMs = given.at.ms;
        plan.schedule.frameCount = 1;
        plan.withAudio = false;
        return true;
    }
    const uint32_t fromMs = given.from.ms;
    const uint32_t toMs = given.to.given ? given.to.ms : SHOW_END_MS;
    if (fromMs >= SHOW_END_MS)
        return fail(error, "--from must lie before the show's end (" + showEnd + " ms)");
    if (toMs <= fromMs)
        return fail(error, "--to must lie after --from");
    options.output = isFolderPath(options.path) ? CaptureOutput::PngFolder : CaptureOutput::Video;
    plan.schedule.fromMs = fromMs;
    plan.schedule.frameCount = frameCountBetween(fromMs, toMs, plan.schedule.rate);
    plan.withAudio = true;
    return true;
}

}  // namespace

bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options, std::string& error) {
    options = CaptureOptions{};
    options.plan.schedule.rate = FrameRate{DEFAULT_FPS, 1};
    Given given;
    bool havePath = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        MsOption* msOption = msOptionNamed(given, arg);
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        } else if (msOption != nullptr || arg == "--fps") {
            if (i + 1 >= argc)
                return fail(error, arg + " needs a value");
            const std::string value = argv[++i];
            if (msOption == nullptr) {
                given.fps = true;
                if (!parseRate(value, options.plan.schedule.rate))
                    return fail(error, "--fps takes N or N/D frames per second, above 0 and at most " +
                                           std::to_string(MAX_FPS) + ", not '" + value + "'");
            } else {
                msOption->given = true;
                if (!parseMs(value, msOption->ms))
                    return fail(error, arg + " takes whole milliseconds, not '" + value + "'");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail(error, "unknown option " + arg);
        } else if (havePath) {
            return fail(error, "one output only, not also '" + arg + "'");
        } else {
            options.path = arg;
            havePath = true;
        }
    }
    if (!havePath || options.path.empty())
        return fail(error, "no output given");
    return completePlan(given, options, error);
}
