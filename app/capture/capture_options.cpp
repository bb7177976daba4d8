#include "app/capture/capture_options.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/capture/frame_times.h"
#include "app/long_option.h"
#include "base/file_path.h"
#include "timeline/timeline.h"

// Every line fits an 80-column terminal.
const char* const CAPTURE_USAGE =
    "usage: pelmira15-capture --at MS frame.png\n"
    "       pelmira15-capture [range and rate] [video choices] VIDEO\n"
    "       pelmira15-capture [range and rate] [--force] FOLDER/\n"
    "Records the show frame for frame, offscreen, whatever the machine's speed.\n"
    "  --at MS              the one frame the show draws at music time MS, as a PNG\n"
    "range and rate:\n"
    "  --fps N|N/D          frames per second, whole or as 30000/1001 (default 60)\n"
    "  --from MS            music time of the first frame (default 0)\n"
    "  --to MS              music time to stop before (default the end, 173000)\n"
    "  --escape-at MS       press Escape at the first frame at or after MS: the\n"
    "                       fade, the logo, the end\n"
    "  VIDEO                .mp4, .m4v or .mov (H.264 and AAC), .mkv (H.264 and\n"
    "                       FLAC), .webm (VP9 and Opus)\n"
    "  FOLDER/              an existing folder or a path ending in '/': PNG\n"
    "                       frames (frame_000000.png ...) and audio.wav\n"
    "  --force              replace the frames of a folder's earlier recording\n"
    "video choices:\n"
    "  --crf N              quality, lower is better: H.264 0-51 (default 18),\n"
    "                       VP9 0-63 (default 24)\n"
    "  --lossless           frames that decode to exactly the pixels drawn\n"
    "                       (H.264 RGB; FFV1 in .mkv, VP9 RGB in .webm)\n"
    "  --audio-bitrate N[k] bits per second of AAC or Opus (default 192k)\n"
    "  --size WxH           the output's size, the picture fitted in, centred\n"
    "                       (default 1024x768)\n"
    "  --scale-filter F     lanczos (default), bicubic or nearest, for --size\n"
    "  --help, --version\n"
    "A value may also follow its option after '=': --fps=30 is --fps 30.\n";

namespace {

constexpr uint32_t DEFAULT_FPS = 60;
// Frames closer than a millisecond would show the same music time.
constexpr uint32_t MAX_FPS = 1000;
// Bounds the clock's integer arithmetic.
constexpr uint32_t MAX_RATE_TERM = 1000000;
constexpr uint32_t MIN_SIZE = 16;
constexpr uint32_t MAX_SIZE = 8192;
constexpr uint32_t MIN_AUDIO_BITRATE = 8000;
constexpr uint32_t MAX_AUDIO_BITRATE = 512000;
constexpr uint32_t BITS_PER_KILOBIT = 1000;
constexpr const char* PNG_EXTENSION = ".png";

// "N" and "N/D", each term whole.
bool parsePair(const std::string& text, char separator, uint32_t& first, uint32_t& second) {
    const size_t at = text.find(separator);
    return at != std::string::npos && parseWholeNumber(text.substr(0, at), first) && parseWholeNumber(text.substr(at + 1), second);
}

bool parseRate(const std::string& text, FrameRate& rate) {
    rate.seconds = 1;
    const bool parsed = text.find('/') == std::string::npos ? parseWholeNumber(text, rate.frames)
                                                            : parsePair(text, '/', rate.frames, rate.seconds);
    return parsed && rate.frames > 0 && rate.seconds > 0 && rate.frames <= MAX_RATE_TERM &&
           rate.seconds <= MAX_RATE_TERM && uint64_t{rate.frames} <= uint64_t{MAX_FPS} * rate.seconds;
}

bool parseSize(const std::string& text, int& width, int& height) {
    uint32_t w = 0, h = 0;
    auto fits = [](uint32_t side) { return side >= MIN_SIZE && side <= MAX_SIZE && side % 2 == 0; };
    if (!parsePair(text, 'x', w, h) || !fits(w) || !fits(h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parseBitrate(const std::string& text, uint32_t& bitsPerSecond) {
    const bool kilo = !text.empty() && (text.back() == 'k' || text.back() == 'K');
    uint32_t value = 0;
    if (!parseWholeNumber(kilo ? text.substr(0, text.size() - 1) : text, value) || value > MAX_AUDIO_BITRATE)
        return false;
    bitsPerSecond = kilo ? value * BITS_PER_KILOBIT : value;
    return bitsPerSecond >= MIN_AUDIO_BITRATE && bitsPerSecond <= MAX_AUDIO_BITRATE;
}

// Any case: FRAME.PNG is a PNG name too.
bool isPngName(const std::string& path) {
    std::string extension = utf8Path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == PNG_EXTENSION;
}

bool isFolderPath(const std::string& path) {
    std::error_code failure;
    return path.back() == '/' || std::filesystem::is_directory(utf8Path(path), failure);
}

// What the command line said, before it is checked as a whole.
struct Given {
    struct Ms {
        bool given = false;
        uint32_t ms = 0;
    };
    Ms at, from, to, escapeAt;
    bool fps = false;
    bool crf = false;
    uint32_t crfValue = 0;
    bool lossless = false;
    bool audioBitrate = false;
    bool size = false;
    bool scaleFilter = false;
    bool force = false;
};

// Reads an option's value; false when the value is not of its form.
using ValueReader = bool (*)(const std::string& value, Given& given, CaptureOptions& options);

bool readMs(const std::string& value, Given::Ms& option) {
    option.given = true;
    return parseWholeNumber(value, option.ms);
}

struct ValueOption {
    const char* name;
    ValueReader read;
    const char* form;  // what the value must look like, for the message
};

const ValueOption VALUE_OPTIONS[] = {
    {"--at", [](const std::string& v, Given& g, CaptureOptions&) { return readMs(v, g.at); }, "whole milliseconds"},
    {"--from", [](const std::string& v, Given& g, CaptureOptions&) { return readMs(v, g.from); },
     "whole milliseconds"},
    {"--to", [](const std::string& v, Given& g, CaptureOptions&) { return readMs(v, g.to); }, "whole milliseconds"},
    {"--escape-at", [](const std::string& v, Given& g, CaptureOptions&) { return readMs(v, g.escapeAt); },
     "whole milliseconds"},
    {"--fps",
     [](const std::string& v, Given& g, CaptureOptions& o) {
         g.fps = true;
         return parseRate(v, o.plan.schedule.rate);
     },
     "N or N/D frames per second, above 0 and at most 1000"},
    {"--crf",
     [](const std::string& v, Given& g, CaptureOptions&) {
         g.crf = true;
         return parseWholeNumber(v, g.crfValue);
     },
     "a whole number"},
    {"--audio-bitrate",
     [](const std::string& v, Given& g, CaptureOptions& o) {
         g.audioBitrate = true;
         return parseBitrate(v, o.video.audioBitrate);
     },
     "bits per second from 8000 (8k) to 512000 (512k)"},
    {"--size",
     [](const std::string& v, Given& g, CaptureOptions& o) {
         g.size = true;
         return parseSize(v, o.video.width, o.video.height);
     },
     "an even WIDTHxHEIGHT from 16x16 to 8192x8192"},
    {"--scale-filter",
     [](const std::string& v, Given& g, CaptureOptions& o) {
         g.scaleFilter = true;
         return scaleFilterNamed(v, o.video.scaleFilter);
     },
     "lanczos, bicubic or nearest"},
};

// Options without a value: what each one sets.
struct FlagOption {
    const char* name;
    void (*set)(Given& given, CaptureOptions& options);
};

const FlagOption FLAG_OPTIONS[] = {
    {"--help", [](Given&, CaptureOptions& o) { o.help = true; }},
    {"-h", [](Given&, CaptureOptions& o) { o.help = true; }},
    {"--version", [](Given&, CaptureOptions& o) { o.version = true; }},
    {"--lossless", [](Given& g, CaptureOptions&) { g.lossless = true; }},
    {"--force", [](Given& g, CaptureOptions&) { g.force = true; }},
};

template <typename Option, size_t N>
const Option* optionNamed(const Option (&table)[N], const std::string& name) {
    for (const Option& option : table) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
}

std::string ms(uint32_t value) { return std::to_string(value) + " ms"; }

// The video choices fit the kind of output.
bool completeVideo(const Given& given, CaptureOptions& options, std::string& error) {
    if (options.output != CaptureOutput::Video) {
        const std::pair<const char*, bool> videoOnly[] = {{"--crf", given.crf},
                                                          {"--lossless", given.lossless},
                                                          {"--audio-bitrate", given.audioBitrate},
                                                          {"--size", given.size},
                                                          {"--scale-filter", given.scaleFilter}};
        for (const auto& [name, wasGiven] : videoOnly) {
            if (wasGiven)
                return fail(error, std::string(name) + " applies to a video file, not to PNG frames");
        }
        return true;
    }
    VideoSettings& video = options.video;
    video.kind = outputKindOf(options.path);
    video.rate = options.plan.schedule.rate;
    video.lossless = given.lossless;
    if (video.kind == nullptr)
        return fail(error, "cannot tell what to write from '" + options.path + "': give a file ending in " +
                               outputKindNames() + ", or a folder ending in '/'");
    if (given.force)
        return fail(error, "--force applies to a folder of frames; a video file is always replaced");
    if (given.crf && given.lossless)
        return fail(error, "--crf and --lossless exclude each other");
    const int maxCrf = video.kind->video->maxCrf;
    if (given.crf && given.crfValue > static_cast<uint32_t>(maxCrf))
        return fail(error, std::string("--crf takes 0 to ") + std::to_string(maxCrf) + " for " + video.kind->extension);
    if (given.crf)
        video.crf = static_cast<int>(given.crfValue);
    if (given.audioBitrate && !video.kind->audio->lossy)
        return fail(error, std::string("--audio-bitrate does not apply to ") + video.kind->extension +
                               ", whose sound is lossless " + video.kind->audio->name);
    if (given.scaleFilter && !given.size)
        return fail(error, "--scale-filter needs --size");
    return true;
}

// Cuts the frames to where the show ends by itself, saying so when a --to
// asked for more.
void cutToShowEnd(const Given& given, CaptureOptions& options) {
    FrameSchedule& schedule = options.plan.schedule;
    const uint32_t asked = schedule.frameCount;
    schedule.frameCount = framesUntilShowEnds(schedule, options.plan.escape, options.plan.escapeAtMs);
    if (!given.to.given || schedule.frameCount == asked)
        return;
    const uint32_t beforeEnd = frameCountBetween(schedule.fromMs, SHOW_END_MS, schedule.rate);
    if (schedule.frameCount < std::min(asked, beforeEnd))
        options.note = "after the Escape at " + ms(given.escapeAt.ms) + " the show ends with the frame at " +
                       ms(frameTimeMs(schedule, schedule.frameCount - 1)) + "; recording up to there";
    else
        options.note = "--to " + ms(given.to.ms) + " lies after the show's end at " + ms(SHOW_END_MS) +
                       "; recording up to there";
}

const FrameTimeNames RANGE_NAMES = {"--from", "--to", "--escape-at"};
const FrameTimeNames AT_NAMES = {"--at", nullptr, "--escape-at"};

// Settles what the options leave open and checks they fit together.
bool completePlan(const Given& given, CaptureOptions& options, std::string& error) {
    RecordingPlan& plan = options.plan;
    plan.escape = given.escapeAt.given;
    plan.escapeAtMs = given.escapeAt.ms;
    if (given.at.given) {
        const bool other = given.fps || given.from.given || given.to.given || given.escapeAt.given || given.crf ||
                           given.lossless || given.audioBitrate || given.size || given.scaleFilter || given.force;
        if (other)
            return fail(error, "--at takes no other option");
        if (!checkFrameTimes(FrameTimes{given.at.ms, std::nullopt, std::nullopt}, AT_NAMES, error))
            return false;
        if (!isPngName(options.path))
            return fail(error, "--at writes a PNG picture: give a name ending in .png, not '" + options.path + "'");
        options.output = CaptureOutput::SingleFrame;
        plan.schedule.fromMs = given.at.ms;
        plan.schedule.frameCount = 1;
        plan.withAudio = false;
        return true;
    }
    const uint32_t fromMs = given.from.ms;
    const uint32_t toMs = given.to.given ? given.to.ms : SHOW_END_MS;
    const FrameTimes times{fromMs, toMs, plan.escape ? std::optional<uint32_t>(plan.escapeAtMs) : std::nullopt};
    if (!checkFrameTimes(times, RANGE_NAMES, error))
        return false;
    options.output = isFolderPath(options.path) ? CaptureOutput::PngFolder : CaptureOutput::Video;
    options.replaceFrames = given.force;
    if (!completeVideo(given, options, error))
        return false;
    plan.schedule.fromMs = fromMs;
    plan.schedule.frameCount = frameCountBetween(fromMs, toMs, plan.schedule.rate);
    plan.withAudio = true;
    cutToShowEnd(given, options);
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
        const LongOption word = splitLongOption(arg);
        const FlagOption* flag = optionNamed(FLAG_OPTIONS, word.name);
        const ValueOption* valueOption = optionNamed(VALUE_OPTIONS, word.name);
        if (flag != nullptr) {
            if (word.hasValue)
                return fail(error, word.name + " takes no value");
            flag->set(given, options);
            // The rest of the line no longer matters.
            if (options.help || options.version)
                return true;
        } else if (valueOption != nullptr) {
            if (!word.hasValue && i + 1 >= argc)
                return fail(error, arg + " needs a value");
            const std::string value = word.hasValue ? word.value : argv[++i];
            if (!valueOption->read(value, given, options))
                return fail(error, word.name + " takes " + valueOption->form + ", not '" + value + "'");
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
