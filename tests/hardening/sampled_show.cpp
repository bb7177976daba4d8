// Runs the whole show through the recorder's run sequence at a low frame
// rate, in the working directory's data/, without sound and without writing
// any frame but the ones asked for, which land as raw RGB files
// (FRAME_WIDTH x FRAME_HEIGHT, top row first) named by their time:
//
//   sampled_show [--escape-at MS] [--keep MS]... OUTPUT_FOLDER
//
// Every other frame is still drawn, so every scene loads, draws and is
// destroyed as in the show. Exits with the recording's status; prints
// nothing of its own but a usage line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "app/capture/frame_sink.h"
#include "app/capture/recording.h"
#include "timeline/timeline.h"

namespace {

constexpr FrameRate SAMPLE_RATE{1, 2};
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_WRITE_FAILED = 3;

std::string keptFramePath(const std::string& folder, uint32_t timeMs) {
    return folder + "/" + std::to_string(timeMs) + ".rgb";
}

// Wants pixels only for the frames to keep; the recording draws frames in
// order, so the next one is known from the count handed over.
class KeepingSink : public FrameSink {
public:
    KeepingSink(FrameSchedule schedule, std::set<uint32_t> keep, std::string folder)
        : schedule_(schedule), keep_(std::move(keep)), folder_(std::move(folder)) {}

    bool open() override { return true; }
    bool wantsPixels() const override { return keep_.count(frameTimeMs(schedule_, next_)) != 0; }
    bool writeFrame(const CapturedFrame& frame) override {
        ++next_;
        if (frame.rgb == nullptr)
            return true;
        std::FILE* file = std::fopen(keptFramePath(folder_, frame.timeMs).c_str(), "wb");
        bool written = file != nullptr && std::fwrite(frame.rgb, 1, FRAME_BYTES, file) == FRAME_BYTES;
        if (file != nullptr && std::fclose(file) != 0)
            written = false;
        written_ = written_ && written;
        return true;
    }
    bool finish() override { return true; }
    std::string abandon() override { return ""; }

    bool allWritten() const { return written_; }

private:
    FrameSchedule schedule_;
    std::set<uint32_t> keep_;
    std::string folder_;
    uint32_t next_ = 0;
    bool written_ = true;
};

bool parseMs(const char* text, uint32_t& ms) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value > SHOW_END_MS)
        return false;
    ms = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    RecordingPlan plan;
    plan.schedule.rate = SAMPLE_RATE;
    plan.schedule.frameCount = frameCountBetween(0, SHOW_END_MS, SAMPLE_RATE);
    plan.withAudio = false;
    std::set<uint32_t> keep;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        uint32_t ms = 0;
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--escape-at") == 0 && hasValue && parseMs(argv[i + 1], ms)) {
            plan.escape = true;
            plan.escapeAtMs = ms;
            ++i;
        } else if (std::strcmp(argv[i], "--keep") == 0 && hasValue && parseMs(argv[i + 1], ms)) {
            keep.insert(ms);
            ++i;
        } else if (folder.empty() && argv[i][0] != '-') {
            folder = argv[i];
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: %s [--escape-at MS] [--keep MS]... OUTPUT_FOLDER\n", argv[0]);
        return EXIT_USAGE;
    }
    KeepingSink sink(plan.schedule, keep, folder);
    const int status = record(plan, sink, nullptr);
    if (status == 0 && !sink.allWritten())
        return EXIT_WRITE_FAILED;
    return status;
}
