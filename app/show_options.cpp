#include "app/show_options.h"

#include <cerrno>
#include <cstdlib>

const char* const SHOW_USAGE =
    "usage: pelmira15 [--window] [--display N]\n"
    "       pelmira15 --help | --version\n"
    "Plays the Pelmira 15 Advert full screen with its music. Escape fades it out,\n"
    "a second Escape quits at once.\n"
    "  --window     a 1024 x 768 window instead of the full screen\n"
    "  --display N  the monitor to use, counted from 0 (default: the primary)\n"
    "  --help       this text\n"
    "  --version    the version\n";

namespace {

// More monitors than any desktop has; bounds what the number may be.
constexpr long MAX_DISPLAY_INDEX = 63;

bool parseDisplayIndex(const std::string& text, int& index) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed > MAX_DISPLAY_INDEX)
        return false;
    index = static_cast<int>(parsed);
    return true;
}

}  // namespace

bool parseShowOptions(int argc, const char* const* argv, ShowOptions& options, std::string& error) {
    options = ShowOptions{};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--window") {
            options.window = true;
        } else if (arg == "--display") {
            if (i + 1 >= argc) {
                error = "--display needs a monitor number";
                return false;
            }
            const std::string value = argv[++i];
            if (!parseDisplayIndex(value, options.displayIndex)) {
                error = "--display takes a monitor number from 0 to " + std::to_string(MAX_DISPLAY_INDEX) +
                        ", not '" + value + "'";
                return false;
            }
        } else {
            error = (arg.size() > 1 && arg[0] == '-' ? "unknown option '" : "unexpected argument '") + arg + "'";
            return false;
        }
    }
    return true;
}
