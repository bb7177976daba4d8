#include "app/show_options.h"

#include <cerrno>
#include <cstdlib>

#include "app/long_option.h"

const char* const SHOW_USAGE =
    "usage: pelmira15 [--window] [--display N]\n"
    "       pelmira15 --help | --version\n"
    "Plays the Pelmira 15 Advert full screen with its music. Escape fades it out,\n"
    "a second Escape quits at once.\n"
    "  --window     a 1024 x 768 window instead of the full screen\n"
    "  --display N  the monitor to use, counted from 0 (default: the primary),\n"
    "               also written --display=N\n"
    "  --help       this text\n"
    "  --version    the version\n"
    "Keys: Space pauses and resumes; Left and Right go 5 s back and on, Page Up\n"
    "and Page Down 30 s; Home goes back to the start; while paused, comma and\n"
    "full stop step one frame (1/60 s) back and on. Once Escape has faded the\n"
    "show out, only Space still works.\n";

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
        const LongOption word = splitLongOption(arg);
        bool* flag = word.name == "--help" || word.name == "-h" ? &options.help
                     : word.name == "--version"                 ? &options.version
                     : word.name == "--window"                  ? &options.window
                                                                : nullptr;
        if (flag != nullptr && word.hasValue) {
            error = word.name + " takes no value";
            return false;
        } else if (flag != nullptr) {
            *flag = true;
        } else if (word.name == "--display") {
            if (!word.hasValue && i + 1 >= argc) {
                error = "--display needs a monitor number";
                return false;
            }
            const std::string value = word.hasValue ? word.value : argv[++i];
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
