// Figures, not verdicts: what a frame of each phase costs in the headless
// 1024 x 768 context, the heaviest frame, the meshes' own cost (from
// bench_meshes), start-up, recording speed and peak memory. Prints a table
// and writes the same figures as JSON.
//
//   capture_bench --json OUT --show PELMIRA15 --capture CAPTURE [--meshes BENCH_MESHES]
//   capture_bench --first-frame SINCE_NS OUT   (the child that start-up times)
//   capture_bench --phases OUT                  (the frame times alone, for the web benchmark)
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/capture/frame_sink.h"
#include "app/capture/output_kind.h"
#include "app/capture/png_sinks.h"
#include "app/capture/recording.h"
#include "app/capture/video_sink.h"
#include "audio/music_player.h"
#include "base/factory_kind.h"
#include "platform/child_pipe.h"
#include "platform/gl_window.h"
#include "platform/offscreen_window.h"
#include "scenes/scene_kinds.h"
#include "timeline/timeline.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr FrameRate PHASE_RATE{30, 1};
constexpr FrameRate SAMPLED_RATE{4, 1};
constexpr FrameRate ENDING_RATE{10, 1};
// After an Escape at 60000 the logo quits near 75800; the recording stops there.
constexpr uint32_t LOGO_QUIT_BOUND_MS = 77000;
constexpr uint32_t PHASE_SPAN_MS = 1000;
constexpr uint32_t ESCAPE_MS = 60000;
constexpr uint32_t RECORDING_FROM_MS = 20000;
constexpr uint32_t RECORDING_SPAN_MS = 2000;
constexpr uint32_t MEMORY_SPAN_MS = 3000;
constexpr int SHOW_MEMORY_RUN_MS = 3000;
constexpr int SCENE_LOADS = 3;
constexpr double KIB_PER_MIB = 1024.0;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long long monotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// Times every frame of a recording: the gap since the previous frame is the
// show's whole frame (pump, clear, scenes, the driver finishing).
class TimingSink : public FrameSink {
public:
    explicit TimingSink(bool pixels) : pixels_(pixels) {}
    bool open() override { return true; }
    bool wantsPixels() const override { return pixels_; }
    bool writeFrame(const CapturedFrame& frame) override {
        const Clock::time_point now = Clock::now();
        if (frame.index > 0)
            frames.push_back({frame.timeMs, std::chrono::duration<double, std::milli>(now - last_).count()});
        last_ = now;
        return true;
    }
    bool finish() override { return true; }
    std::string abandon() override { return ""; }

    struct Timed {
        uint32_t timeMs;
        double ms;
    };
    std::vector<Timed> frames;

    std::vector<double> milliseconds() const {
        std::vector<double> ms;
        for (const Timed& frame : frames)
            ms.push_back(frame.ms);
        return ms;
    }

private:
    bool pixels_;
    Clock::time_point last_;
};

RecordingPlan planOf(uint32_t fromMs, uint32_t toMs, FrameRate rate, bool escape = false) {
    RecordingPlan plan;
    plan.schedule = FrameSchedule{fromMs, rate, frameCountBetween(fromMs, toMs, rate)};
    plan.escape = escape;
    plan.escapeAtMs = ESCAPE_MS;
    plan.withAudio = false;
    return plan;
}

struct Row {
    std::string key;    // JSON name
    std::string label;  // table text
    double value;
    std::string unit;
    std::string note;
};

struct Report {
    std::vector<std::pair<std::string, std::vector<Row>>> sections;

    void add(const std::string& section, Row row) {
        if (sections.empty() || sections.back().first != section)
            sections.push_back({section, {}});
        sections.back().second.push_back(std::move(row));
        const Row& r = sections.back().second.back();
        std::printf("  %-44s %10.2f %-4s %s\n", r.label.c_str(), r.value, r.unit.c_str(), r.note.c_str());
        std::fflush(stdout);
    }

    void heading(const std::string& section) { std::printf("\n%s\n", section.c_str()); }

    bool writeJson(const std::string& path) const {
        std::ofstream out(path);
        out << "{\n";
        for (size_t s = 0; s < sections.size(); ++s) {
            out << "  \"" << sections[s].first << "\": {\n";
            const auto& rows = sections[s].second;
            for (size_t r = 0; r < rows.size(); ++r) {
                out << "    \"" << rows[r].key << "\": {\"value\": " << rows[r].value << ", \"unit\": \""
                    << rows[r].unit << "\"";
                if (!rows[r].note.empty())
                    out << ", \"note\": \"" << rows[r].note << "\"";
                out << "}" << (r + 1 < rows.size() ? "," : "") << "\n";
            }
            out << "  }" << (s + 1 < sections.size() ? "," : "") << "\n";
        }
        out << "}\n";
        return static_cast<bool>(out);
    }
};

void framePhases(Report& report) {
    const std::string section = "frame_ms_median";
    report.heading("Frame time at 1024x768, headless, median over 1 s of show at 30 fps");
    struct Phase {
        const char* key;
        const char* label;
        uint32_t centreMs;
    };
    const Phase plain[] = {
        {"title", "title (4500-5500 ms)", 5000},
        {"tube", "tube half (19500-20500 ms)", 20000},
        {"sphere", "sphere half (49500-50500 ms)", 50000},
    };
    for (const Phase& phase : plain) {
        TimingSink sink(false);
        record(planOf(phase.centreMs - PHASE_SPAN_MS / 2, phase.centreMs + PHASE_SPAN_MS / 2, PHASE_RATE), sink,
               nullptr);
        report.add(section, {phase.key, phase.label, median(sink.milliseconds()), "ms", ""});
    }
    TimingSink readBack(true);
    record(planOf(19500, 20500, PHASE_RATE), readBack, nullptr);
    report.add(section, {"tube_with_readback", "tube half, frames read back (recording)",
                         median(readBack.milliseconds()), "ms", ""});

    // The Escape at 60000 is replayed before each start.
    const Phase ending[] = {
        {"fade", "fade, Escape at 60000 (60500-61500 ms)", 61000},
        {"logo", "logo, Escape at 60000 (69500-70500 ms)", 70000},
    };
    for (const Phase& phase : ending) {
        TimingSink sink(false);
        record(planOf(phase.centreMs - PHASE_SPAN_MS / 2, phase.centreMs + PHASE_SPAN_MS / 2, PHASE_RATE, true),
               sink, nullptr);
        report.add(section, {phase.key, phase.label, median(sink.milliseconds()), "ms", ""});
    }
}

// Each sampled frame is timed in two runs and the lower time kept: a stall
// of a busy machine seldom hits the same frame twice.
std::vector<TimingSink::Timed> steadyFrames(const RecordingPlan& plan) {
    TimingSink first(false), second(false);
    record(plan, first, nullptr);
    record(plan, second, nullptr);
    std::vector<TimingSink::Timed> frames = first.frames;
    for (size_t i = 0; i < frames.size() && i < second.frames.size(); ++i)
        frames[i].ms = std::min(frames[i].ms, second.frames[i].ms);
    return frames;
}

void heaviestFrame(Report& report) {
    report.heading("Heaviest frame (the show sampled at 4 fps, the ending after an Escape at 60000 at 10 fps;\n"
                   "each frame the lower of two runs)");
    TimingSink::Timed worst{0, 0.0};
    bool inEnding = false;
    for (const bool ending : {false, true}) {
        const RecordingPlan plan = ending ? planOf(ESCAPE_MS, LOGO_QUIT_BOUND_MS, ENDING_RATE, true)
                                          : planOf(0, SHOW_END_MS, SAMPLED_RATE);
        for (const TimingSink::Timed& frame : steadyFrames(plan)) {
            if (frame.ms > worst.ms) {
                worst = frame;
                inEnding = ending;
            }
        }
    }
    report.add("heaviest_frame", {"ms", "heaviest frame", worst.ms, "ms",
                                  "at " + std::to_string(worst.timeMs) + " ms" + (inEnding ? " (ending)" : "")});
}

// Reads name, real_time and cpu_time of each run from Google Benchmark's JSON
// output. The main thread's processor time leaves out the driver's own
// rasteriser threads, so the wall time is given beside it.
void meshes(Report& report, const std::string& benchMeshes) {
    report.heading("Meshes: time per call (bench_meshes; processor time of the calling thread)");
    if (benchMeshes.empty()) {
        std::printf("  bench_meshes not built\n");
        return;
    }
    const std::string out = "/tmp/bench-meshes-" + std::to_string(getpid()) + ".json";
    int status = 0;
    std::string error;
    if (!runChild({benchMeshes, "--benchmark_out=" + out, "--benchmark_out_format=json"}, status, error) ||
        status != 0) {
        std::printf("  bench_meshes failed: %s (status %d)\n", error.c_str(), status);
        return;
    }
    std::ifstream in(out);
    std::string line, name, unit;
    double cpu = 0.0, wall = 0.0;
    auto field = [](const std::string& text) {
        const size_t colon = text.find(':');
        std::string value = text.substr(colon + 1);
        value.erase(std::remove_if(value.begin(), value.end(), [](char c) { return c == '"' || c == ',' || c == ' '; }),
                    value.end());
        return value;
    };
    while (std::getline(in, line)) {
        if (line.find("\"name\":") != std::string::npos) {
            name = field(line);
        } else if (line.find("\"real_time\":") != std::string::npos) {
            wall = std::atof(field(line).c_str());
        } else if (line.find("\"cpu_time\":") != std::string::npos) {
            cpu = std::atof(field(line).c_str());
        } else if (line.find("\"time_unit\":") != std::string::npos && !name.empty()) {
            unit = field(line);
            std::string key = name;
            std::replace(key.begin(), key.end(), '/', '_');
            std::ostringstream note;
            note << "wall " << wall << " " << unit;
            report.add("meshes_cpu", {key, name, cpu, unit, note.str()});
            name.clear();
        }
    }
    std::remove(out.c_str());
}

double sceneLoadingMs() {
    DisplayConfig config;
    config.fullscreen = false;
    AppInfo app{nullptr, "bench"};
    GlWindow* window = createOffscreenGlWindow();
    std::vector<double> loads;
    // The fade keeps its player and the logo the quit flag; neither is used here.
    std::unique_ptr<MusicPlayer> player(createMusicPlayer(STANDARD_KIND));
    bool quitRequested = false;
    const ShowLinks links{*player, quitRequested};
    if (window->init(config, app)) {
        setFixedGlState(fixedGlFrame(config));
        for (int i = 0; i < SCENE_LOADS; ++i) {
            sceneTimeline = SceneTimeline{};
            const Clock::time_point start = Clock::now();
            buildScenes(showSceneFactory(), links);
            loads.push_back(msSince(start));
            destroyScenes();
        }
    }
    window->shutdown(config, app);
    delete window;
    return median(loads);
}

// The child of the start-up figure: draws the show's first frame, writes how
// long after sinceNs that was, and ends.
class FirstFrameSink : public FrameSink {
public:
    FirstFrameSink(long long sinceNs, std::string out) : sinceNs_(sinceNs), out_(std::move(out)) {}
    bool open() override { return true; }
    bool wantsPixels() const override { return false; }
    bool writeFrame(const CapturedFrame&) override {
        std::ofstream(out_) << static_cast<double>(monotonicNs() - sinceNs_) / 1e6 << "\n";
        return true;
    }
    bool finish() override { return true; }
    std::string abandon() override { return ""; }

private:
    long long sinceNs_;
    std::string out_;
};

int firstFrameChild(long long sinceNs, const std::string& out) {
    FirstFrameSink sink(sinceNs, out);
    return record(planOf(0, 1, PHASE_RATE), sink, nullptr);
}

double firstFrameMs(const std::string& self) {
    const std::string out = "/tmp/bench-first-frame-" + std::to_string(getpid());
    int status = 0;
    std::string error;
    if (!runChild({self, "--first-frame", std::to_string(monotonicNs()), out}, status, error) || status != 0)
        return 0.0;
    double ms = 0.0;
    std::ifstream(out) >> ms;
    std::remove(out.c_str());
    return ms;
}

void startUp(Report& report, const std::string& self) {
    report.heading("Start-up");
    report.add("startup_ms", {"process_to_first_frame", "process start to first frame (recorder, no sound)",
                              firstFrameMs(self), "ms", ""});
    report.add("startup_ms", {"build_scenes", "scene loading alone (buildScenes), median of 3",
                              sceneLoadingMs(), "ms", ""});
}

// Times a real sink from the first frame to the end of finish().
class StopwatchSink : public FrameSink {
public:
    explicit StopwatchSink(FrameSink& inner) : inner_(inner) {}
    bool open() override { return inner_.open(); }
    bool beginAudio(uint32_t rate) override { return inner_.beginAudio(rate); }
    bool writeFrame(const CapturedFrame& frame) override {
        if (frames++ == 0)
            start_ = Clock::now();
        return inner_.writeFrame(frame);
    }
    bool writeAudio(const int16_t* samples, size_t count) override { return inner_.writeAudio(samples, count); }
    bool finish() override {
        const bool ok = inner_.finish();
        ms = msSince(start_);
        return ok;
    }
    std::string abandon() override { return inner_.abandon(); }

    uint32_t frames = 0;
    double ms = 0.0;

private:
    FrameSink& inner_;
    Clock::time_point start_;
};

double recordingFps(FrameSink& sink) {
    StopwatchSink stopwatch(sink);
    RecordingPlan plan = planOf(RECORDING_FROM_MS, RECORDING_FROM_MS + RECORDING_SPAN_MS, PHASE_RATE);
    plan.withAudio = true;
    if (record(plan, stopwatch, nullptr) != 0 || stopwatch.ms <= 0.0)
        return 0.0;
    return stopwatch.frames / (stopwatch.ms / 1000.0);
}

// Every output kind over the same range, and how the PNG folder keeps up
// with the common MP4.
void recordingSpeed(Report& report) {
    report.heading("Recording speed (2 s of show at 30 fps, with sound; from the first frame to the whole file)");
    double pngFps = 0.0;
    char folder[] = "/tmp/bench-png-XXXXXX";
    if (mkdtemp(folder) != nullptr) {
        PngFolderSink png(folder, false);
        pngFps = recordingFps(png);
        report.add("recording_fps", {"png", "to PNG frames and a WAV", pngFps, "fps", ""});
        std::filesystem::remove_all(folder);
    }
    double mp4Fps = 0.0;
    for (const char* extension : {".mp4", ".m4v", ".mov", ".mkv", ".webm"}) {
        const std::string video = "/tmp/bench-" + std::to_string(getpid()) + extension;
        VideoSettings settings;
        settings.kind = outputKindOf(video);
        settings.rate = PHASE_RATE;
        VideoSink sink(video, settings);
        const double fps = recordingFps(sink);
        if (std::strcmp(extension, ".mp4") == 0)
            mp4Fps = fps;
        report.add("recording_fps", {extension + 1, std::string("to ") + extension + " (" + settings.kind->video->name +
                                                        ", " + settings.kind->audio->name + ")",
                                     fps, "fps", ""});
        std::remove(video.c_str());
    }
    report.add("recording_fps", {"png_to_mp4", "PNG frames against .mp4", mp4Fps > 0.0 ? pngFps / mp4Fps : 0.0,
                                 "x", "at least 0.5 wanted"});
}

// Peak resident set of a child program run for runMs (or to its end); what
// it prints is dropped.
double peakMiB(const std::vector<std::string>& argv, const std::vector<std::string>& env, int runMs) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        for (const std::string& entry : env)
            putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (runMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(runMs));
        kill(pid, SIGTERM);
    }
    int status = 0;
    rusage usage = {};
    wait4(pid, &status, 0, &usage);
    return static_cast<double>(usage.ru_maxrss) / KIB_PER_MIB;
}

void memory(Report& report, const std::string& show, const std::string& capture) {
    report.heading("Peak resident memory (getrusage ru_maxrss)");
    report.add("peak_rss_mib", {"show", "the show, 3 s headless (offscreen, dummy audio)",
                                peakMiB({show}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"},
                                        SHOW_MEMORY_RUN_MS),
                                "MiB", ""});
    char folder[] = "/tmp/bench-rss-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return;
    const std::string from = std::to_string(RECORDING_FROM_MS);
    const std::string to = std::to_string(RECORDING_FROM_MS + MEMORY_SPAN_MS);
    report.add("peak_rss_mib", {"recorder", "the recorder, 3 s of show to PNG frames",
                                peakMiB({capture, "--fps", "30", "--from", from, "--to", to, std::string(folder) + "/"},
                                        {}, 0),
                                "MiB", ""});
    std::filesystem::remove_all(folder);
}

std::string argument(int argc, char** argv, const char* name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--first-frame") == 0)
        return firstFrameChild(std::atoll(argv[2]), argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--phases") == 0) {
        Report report;
        framePhases(report);
        return report.writeJson(argv[2]) ? 0 : 1;
    }
    const std::string json = argument(argc, argv, "--json");
    const std::string show = argument(argc, argv, "--show");
    const std::string capture = argument(argc, argv, "--capture");
    if (json.empty() || show.empty() || capture.empty()) {
        std::fprintf(stderr, "usage: capture_bench --json OUT --show PELMIRA15 --capture CAPTURE [--meshes BENCH]\n");
        return 2;
    }
    std::printf("Pelmira 15 benchmarks: figures, not pass or fail\n");
    Report report;
    // Memory first: the children's figures are not mixed with anything else.
    memory(report, show, capture);
    startUp(report, argv[0]);
    framePhases(report);
    heaviestFrame(report);
    meshes(report, argument(argc, argv, "--meshes"));
    recordingSpeed(report);
    if (!report.writeJson(json)) {
        std::fprintf(stderr, "capture_bench: cannot write %s\n", json.c_str());
        return 1;
    }
    std::printf("\nwritten to %s\n", json.c_str());
    return 0;
}
