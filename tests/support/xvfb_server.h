// A private X server for the length of a test (1024 x 768 x 24 unless a
// screen is given), with the tools a test needs to drive it: find a window,
// send keys, grab the screen.
// Servers of tests that run side by side each get a display of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

struct XScreen {
    int width = 1024;
    int height = 768;
    int depth = 24;  // 24 or 16
};

class XvfbServer {
public:
    explicit XvfbServer(XScreen screen = XScreen{});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Whether the server is up and accepting clients.
    bool started() const { return !display_.empty(); }
    // "DISPLAY=:N", for a child's environment.
    std::string env() const { return "DISPLAY=" + display_; }
    std::string xdotool(const std::string& arguments) const;
    // The id of the top-level window of that exact name, once it exists.
    // xwininfo, unlike xdotool, also matches names stored as UTF-8 (as SDL's
    // message box stores them).
    std::string waitForWindow(const std::string& name, int timeoutMs) const;

    // The screen as 0xRRGGBB pixels, row 0 at the top; empty if unreadable.
    std::vector<uint32_t> grabScreen() const;
    // Grabs the screen until seen() holds for it; answers whether it did
    // before the time ran out.
    bool waitForScreen(const std::function<bool(const std::vector<uint32_t>&)>& seen, int timeoutMs) const;
    const XScreen& screen() const { return screen_; }

private:
    XScreen screen_;
    std::string display_;
    std::string frameBufferDir_;
    std::unique_ptr<ChildProcess> server_;
};

void sleepMs(int ms);
// Polls a shell command until it prints something; answers what it printed.
std::string waitForOutput(const std::string& command, int timeoutMs);
// The share of pixels with any channel above the level, from 0 to 1.
double litShare(const std::vector<uint32_t>& screen, int level);
