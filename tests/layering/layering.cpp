#include "layering.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

constexpr int NO_LAYER = -1;
constexpr const char* INCLUDE_PREFIX = "#include \"";

int layerOf(const std::string& path) {
    const std::string top = path.substr(0, path.find('/'));
    const auto found = std::find(std::begin(LAYERS), std::end(LAYERS), top);
    return found == std::end(LAYERS) ? NO_LAYER : static_cast<int>(found - std::begin(LAYERS));
}

// "platform/sdl" for "platform/sdl/x.h"; "" for a file of no home.
std::string homeOf(const std::string& path) {
    const size_t top = path.find('/');
    const size_t sub = path.find('/', top + 1);
    if (top == std::string::npos || sub == std::string::npos)
        return "";
    const std::string layer = path.substr(0, top);
    const bool homeLayer = std::find(std::begin(HOME_LAYERS), std::end(HOME_LAYERS), layer) != std::end(HOME_LAYERS);
    return homeLayer ? path.substr(0, sub) : "";
}

// The quoted includes that name a folder: every header of ours is included
// as "folder/header.h".
std::vector<std::string> includesOf(const fs::path& file) {
    std::vector<std::string> includes;
    std::ifstream in(file);
    const size_t prefixLength = std::char_traits<char>::length(INCLUDE_PREFIX);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, prefixLength, INCLUDE_PREFIX) != 0)
            continue;
        const size_t end = line.find('"', prefixLength);
        const std::string name = line.substr(prefixLength, end - prefixLength);
        if (end != std::string::npos && name.find('/') != std::string::npos)
            includes.push_back(name);
    }
    return includes;
}

bool isSource(const fs::path& file) {
    const std::string extension = file.extension().string();
    return extension == ".h" || extension == ".c" || extension == ".cpp";
}

std::string faultOf(const std::string& file, const std::string& header) {
    const int layer = layerOf(file);
    const int included = layerOf(header);
    const std::string what = file + " includes " + header;
    if (included == NO_LAYER)
        return what + " (" + header.substr(0, header.find('/')) + " is no layer of the product)";
    if (included > layer)
        return what + " (" + LAYERS[included] + " is above " + LAYERS[layer] + ")";
    const std::string home = homeOf(file), otherHome = homeOf(header);
    if (!otherHome.empty() && !home.empty() && otherHome != home)
        return what + " (" + otherHome + " is another home than " + home + ")";
    return "";
}

}  // namespace

std::vector<std::string> includeFaults(const std::string& root) {
    std::vector<std::string> faults;
    for (const char* layer : LAYERS) {
        const fs::path folder = fs::path(root) / layer;
        if (!fs::is_directory(folder))
            continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file() || !isSource(entry.path()))
                continue;
            const std::string file = entry.path().lexically_relative(root).generic_string();
            for (const std::string& header : includesOf(entry.path())) {
                const std::string fault = faultOf(file, header);
                if (!fault.empty())
                    faults.push_back(fault);
            }
        }
    }
    std::sort(faults.begin(), faults.end());
    return faults;
}
