#include "tests/support/captured_sound.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>

#include "tests/support/child_process.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/xvfb_server.h"

namespace {

constexpr int SAMPLE_FRAME_BYTES = 4;  // 16-bit stereo
constexpr int RATE = 44100;
constexpr int POLL_MS = 20;
const std::string DRIVER_LINE_START = "CRITICAL: ";

long byteOf(double seconds) { return static_cast<long>(seconds * RATE) * SAMPLE_FRAME_BYTES; }

}  // namespace

CapturedSound::CapturedSound() : dir_(makeScratchFolder("pelmira-sound")), path_(dir_ + "/heard.raw") {}

CapturedSound::~CapturedSound() { shellOutput("rm -rf '" + dir_ + "'"); }

std::vector<std::string> CapturedSound::env() const {
    return {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + path_};
}

double CapturedSound::heardSeconds() const {
    struct stat info;
    const long bytes = stat(path_.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
    return static_cast<double>(bytes / SAMPLE_FRAME_BYTES) / RATE;
}

bool CapturedSound::waitUntilHeard(double seconds, int timeoutMs) const {
    const long long deadline = monotonicMs() + timeoutMs;
    while (heardSeconds() < seconds && monotonicMs() < deadline)
        sleepMs(POLL_MS);
    return heardSeconds() >= seconds;
}

std::string CapturedSound::withoutDriverLines(const std::string& said) {
    std::string kept;
    std::istringstream lines(said);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(DRIVER_LINE_START, 0) != 0)
            kept += line + "\n";
    }
    return kept;
}

double CapturedSound::rms(double origin, double from, double to) const {
    FILE* file = std::fopen(path_.c_str(), "rb");
    if (file == nullptr)
        return -1;
    std::vector<int16_t> samples(static_cast<size_t>(byteOf(to - from) / 2));
    std::fseek(file, byteOf(origin + from), SEEK_SET);
    const size_t got = std::fread(samples.data(), 2, samples.size(), file);
    std::fclose(file);
    if (got == 0)
        return -1;
    double sum = 0;
    for (size_t i = 0; i < got; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(got));
}

std::vector<int16_t> CapturedSound::samples() const {
    std::vector<int16_t> taken(static_cast<size_t>(byteOf(heardSeconds()) / 2));
    FILE* file = std::fopen(path_.c_str(), "rb");
    if (file == nullptr)
        return {};
    taken.resize(std::fread(taken.data(), 2, taken.size(), file));
    std::fclose(file);
    return taken;
}
