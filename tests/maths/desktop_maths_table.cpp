// desktop_maths_table --write FILE | --check FILE [--library]
//
// The results of desktop_maths on a fixed set of arguments, written as a
// table or compared with one, so that a build for another platform (under
// Wine, in a browser) can be held to the native build's results. With
// --library the C library's own functions answer instead, to show how far
// a platform's library is from the desktop's.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/desktop_maths.h"
#include "tests/maths/maths_arguments.h"

namespace {

constexpr int DOUBLE_COUNT = 100000;
constexpr uint32_t FLOAT_STRIDE = 16411;  // about a quarter of a million floats
constexpr int SHOWN_PER_FUNCTION = 3;

struct Functions {
    float (*sinf)(float);
    float (*cosf)(float);
    double (*sin)(double);
    double (*cos)(double);
    double (*atan2)(double, double);
    double (*pow)(double, double);
};

const Functions OURS = {desktopSinf, desktopCosf, desktopSin, desktopCos, desktopAtan2, desktopPow};
const Functions LIBRARY = {
    [](float x) { return std::sin(x); },          [](float x) { return std::cos(x); },
    [](double x) { return std::sin(x); },         [](double x) { return std::cos(x); },
    [](double y, double x) { return std::atan2(y, x); }, [](double x, double y) { return std::pow(x, y); },
};

// One function's results as 64-bit patterns (floats widened bit for bit),
// NaNs all alike, with the arguments that gave them for messages.
struct Column {
    const char* name;
    std::vector<uint64_t> results;
    std::vector<std::string> arguments;
};

uint64_t patternOf(double d) {
    if (std::isnan(d))
        return UINT64_MAX;
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

uint64_t patternOf(float f) {
    if (std::isnan(f))
        return UINT64_MAX;
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

std::string hex(double d) {
    char text[40];
    std::snprintf(text, sizeof text, "%a", d);
    return text;
}

std::vector<Column> tabulate(const Functions& f) {
    const MathsArguments a = makeMathsArguments(DOUBLE_COUNT, FLOAT_STRIDE);
    std::vector<Column> columns = {{"sinf", {}, {}}, {"cosf", {}, {}}, {"sin", {}, {}},
                                   {"cos", {}, {}},  {"atan2", {}, {}}, {"pow", {}, {}}};
    for (const float x : a.floats) {
        columns[0].results.push_back(patternOf(f.sinf(x)));
        columns[1].results.push_back(patternOf(f.cosf(x)));
        columns[0].arguments.push_back(hex(x));
        columns[1].arguments.push_back(hex(x));
    }
    for (const double x : a.angles) {
        columns[2].results.push_back(patternOf(f.sin(x)));
        columns[3].results.push_back(patternOf(f.cos(x)));
        columns[2].arguments.push_back(hex(x));
        columns[3].arguments.push_back(hex(x));
    }
    for (size_t i = 0; i < a.ratios[0].size(); ++i) {
        columns[4].results.push_back(patternOf(f.atan2(a.ratios[0][i], a.ratios[1][i])));
        columns[4].arguments.push_back(hex(a.ratios[0][i]) + ", " + hex(a.ratios[1][i]));
    }
    for (size_t i = 0; i < a.powers[0].size(); ++i) {
        columns[5].results.push_back(patternOf(f.pow(a.powers[0][i], a.powers[1][i])));
        columns[5].arguments.push_back(hex(a.powers[0][i]) + ", " + hex(a.powers[1][i]));
    }
    return columns;
}

int write(const char* path, const std::vector<Column>& columns) {
    const std::string temporary = std::string(path) + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "desktop_maths_table: %s: cannot create: %s\n", path, std::strerror(errno));
        return 1;
    }
    bool written = true;
    for (const Column& c : columns)
        written = written && std::fwrite(c.results.data(), sizeof(uint64_t), c.results.size(), file) == c.results.size();
    if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path) != 0) {
        std::fprintf(stderr, "desktop_maths_table: %s: cannot write\n", path);
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}

int check(const char* path, const std::vector<Column>& columns) {
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::fprintf(stderr, "desktop_maths_table: %s: cannot open: %s\n", path, std::strerror(errno));
        return 2;
    }
    int differing = 0;
    for (const Column& c : columns) {
        std::vector<uint64_t> expected(c.results.size());
        if (std::fread(expected.data(), sizeof(uint64_t), expected.size(), file) != expected.size()) {
            std::fprintf(stderr, "desktop_maths_table: %s: too short for this program's arguments\n", path);
            std::fclose(file);
            return 2;
        }
        int here = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            if (expected[i] == c.results[i])
                continue;
            if (++here <= SHOWN_PER_FUNCTION)
                std::printf("  %s(%s): %016llx, the table has %016llx\n", c.name, c.arguments[i].c_str(),
                            static_cast<unsigned long long>(c.results[i]),
                            static_cast<unsigned long long>(expected[i]));
        }
        std::printf("%s: %d of %zu differ\n", c.name, here, expected.size());
        differing += here;
    }
    const bool longer = std::fgetc(file) != EOF;
    std::fclose(file);
    if (longer) {
        std::fprintf(stderr, "desktop_maths_table: %s: longer than this program's arguments\n", path);
        return 2;
    }
    return differing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool library = argc == 4 && std::strcmp(argv[3], "--library") == 0;
    if ((argc != 3 && !library) || (std::strcmp(argv[1], "--write") != 0 && std::strcmp(argv[1], "--check") != 0)) {
        std::fprintf(stderr, "usage: desktop_maths_table --write FILE | --check FILE [--library]\n");
        return 2;
    }
    const std::vector<Column> columns = tabulate(library ? LIBRARY : OURS);
    return std::strcmp(argv[1], "--write") == 0 ? write(argv[2], columns) : check(argv[2], columns);
}
