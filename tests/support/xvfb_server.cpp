#include "tests/support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr int START_TIMEOUT_MS = 30000;
constexpr size_t XWD_HEADER_FIELDS = 25;

uint32_t bigEndian(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// One stored pixel as 0xRRGGBB: 32-bit pixels hold 8-bit channels, 16-bit
// ones 5/6/5, widened so that full intensity stays 0xff.
uint32_t pixelAt(const uint8_t* p, uint32_t bitsPerPixel, uint32_t byteOrder) {
    const bool lsbFirst = byteOrder == 0;
    if (bitsPerPixel == 32)
        return lsbFirst ? (uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0])
                        : (uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
    const uint32_t value = lsbFirst ? (uint32_t{p[1]} << 8 | p[0]) : (uint32_t{p[0]} << 8 | p[1]);
    const uint32_t r = value >> 11 & 0x1f, g = value >> 5 & 0x3f, b = value & 0x1f;
    return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

}  // namespace

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string waitForOutput(const std::string& command, int timeoutMs) {
    const long long deadline = monotonicMs() + timeoutMs;
    std::string output;
    while ((output = shellOutput(command)).empty() && monotonicMs() < deadline)
        sleepMs(50);
    return output;
}

double litShare(const std::vector<uint32_t>& screen, int level) {
    if (screen.empty())
        return 0.0;
    size_t lit = 0;
    for (uint32_t pixel : screen) {
        const int r = static_cast<int>(pixel >> 16 & 0xff), g = static_cast<int>(pixel >> 8 & 0xff),
                  b = static_cast<int>(pixel & 0xff);
        lit += r > level || g > level || b > level;
    }
    return static_cast<double>(lit) / static_cast<double>(screen.size());
}

XvfbServer::XvfbServer(XScreen screen) : screen_(screen) {
    char pattern[] = "/tmp/pelmira-xvfb-XXXXXX";
    frameBufferDir_ = mkdtemp(pattern);
    // The server picks a free display itself and writes its number to the
    // pipe once it accepts clients, so servers of tests running side by
    // side never meet.
    int ready[2];
    if (pipe(ready) != 0)
        return;
    fcntl(ready[0], F_SETFD, FD_CLOEXEC);
    server_ = std::make_unique<ChildProcess>(
        "/usr/bin/Xvfb",
        std::vector<std::string>{"-displayfd", std::to_string(ready[1]), "-screen", "0",
                                 std::to_string(screen.width) + "x" + std::to_string(screen.height) + "x" +
                                     std::to_string(screen.depth), "-nolisten", "tcp",
                                 "-noreset", "-fbdir", frameBufferDir_},
        std::vector<std::string>{}, "");
    close(ready[1]);
    std::string number;
    const long long deadline = monotonicMs() + START_TIMEOUT_MS;
    pollfd readable{ready[0], POLLIN, 0};
    char digit = 0;
    while (monotonicMs() < deadline && poll(&readable, 1, 100) >= 0) {
        if ((readable.revents & (POLLIN | POLLHUP)) == 0)
            continue;
        if (read(ready[0], &digit, 1) != 1 || digit == '\n')
            break;
        number += digit;
    }
    close(ready[0]);
    if (!number.empty() && digit == '\n')
        display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
    if (server_) {
        server_->signal(SIGTERM);
        server_->waitFor(3000);
    }
    shellOutput("rm -rf '" + frameBufferDir_ + "'");
}

std::string XvfbServer::xdotool(const std::string& arguments) const {
    return shellOutput("DISPLAY=" + display_ + " xdotool " + arguments + " 2>/dev/null");
}

std::string XvfbServer::waitForWindow(const std::string& name, int timeoutMs) const {
    return waitForOutput("DISPLAY=" + display_ + " xwininfo -root -children 2>/dev/null | grep -F '\"" + name +
                             "\"' | awk '{printf \"%s\", $1}'",
                         timeoutMs);
}

bool XvfbServer::waitForScreen(const std::function<bool(const std::vector<uint32_t>&)>& seen,
                               int timeoutMs) const {
    const long long deadline = monotonicMs() + timeoutMs;
    do {
        if (seen(grabScreen()))
            return true;
        sleepMs(50);
    } while (monotonicMs() < deadline);
    return false;
}

// Xvfb keeps its screen as an XWD image in the -fbdir folder.
std::vector<uint32_t> XvfbServer::grabScreen() const {
    std::vector<uint32_t> screen;
    FILE* file = std::fopen((frameBufferDir_ + "/Xvfb_screen0").c_str(), "rb");
    if (file == nullptr)
        return screen;
    uint8_t header[XWD_HEADER_FIELDS * 4];
    if (std::fread(header, 1, sizeof header, file) == sizeof header) {
        const uint32_t headerSize = bigEndian(header + 0);
        const uint32_t byteOrder = bigEndian(header + 7 * 4);
        const uint32_t bitsPerPixel = bigEndian(header + 11 * 4);
        const uint32_t bytesPerLine = bigEndian(header + 12 * 4);
        const uint32_t colours = bigEndian(header + 19 * 4);
        const uint32_t bytesPerPixel = bitsPerPixel / 8;
        const size_t width = static_cast<size_t>(screen_.width);
        std::vector<uint8_t> row(bytesPerLine);
        if ((bitsPerPixel == 32 || bitsPerPixel == 16) && bytesPerLine >= width * bytesPerPixel &&
            std::fseek(file, static_cast<long>(headerSize + colours * 12), SEEK_SET) == 0) {
            screen.reserve(width * static_cast<size_t>(screen_.height));
            for (int y = 0; y < screen_.height && std::fread(row.data(), 1, row.size(), file) == row.size(); ++y) {
                for (size_t x = 0; x < width; ++x)
                    screen.push_back(pixelAt(&row[x * bytesPerPixel], bitsPerPixel, byteOrder));
            }
        }
    }
    std::fclose(file);
    if (screen.size() != static_cast<size_t>(screen_.width) * static_cast<size_t>(screen_.height))
        screen.clear();
    return screen;
}
