// The core links against exactly the GL and GLU functions gfx/gl_subset.h
// lists: a call added without listing it, or a listed call no longer made,
// fails here, so the list stays what a second backend has to implement.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "gfx/gl_subset.h"

namespace {

// The core's libraries, as the build made them (tests/gfx/CMakeLists.txt).
const char* const CORE_LIBRARIES[] = {
    SCENES_LIBRARY, GFX_LIBRARY, TIMELINE_LIBRARY, APP_LIBRARY, RECORDING_LIBRARY, CAPTURE_LIBRARY,
};

constexpr size_t LINE_BYTES = 1024;

// "gl" or "glu" and a capital: OpenGL's and GLU's C names, not ours.
bool isGlName(const std::string& symbol) {
    const size_t prefix = symbol.compare(0, 3, "glu") == 0 ? 3 : 2;
    return symbol.compare(0, 2, "gl") == 0 && symbol.size() > prefix && symbol[prefix] >= 'A' &&
           symbol[prefix] <= 'Z';
}

// Adds the GL and GLU symbols the library leaves undefined; false when nm
// could not read it.
bool addImportedGlNames(const char* library, std::set<std::string>& names) {
    const std::string command = std::string(NM_PROGRAM) + " -u -P '" + library + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    char line[LINE_BYTES];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char symbol[LINE_BYTES];
        char type = 0;
        // Undefined symbols read "name U"; the members' headers have one field.
        if (std::sscanf(line, "%1023s %c", symbol, &type) == 2 && type == 'U' && isGlName(symbol))
            names.insert(symbol);
    }
    return pclose(pipe) == 0;
}

std::vector<std::string> without(const std::set<std::string>& all, const std::set<std::string>& some) {
    std::vector<std::string> rest;
    std::set_difference(all.begin(), all.end(), some.begin(), some.end(), std::back_inserter(rest));
    return rest;
}

TEST(GlSubset, TheCoreUsesExactlyTheListedEntryPoints) {
    std::set<std::string> imported;
    for (const char* library : CORE_LIBRARIES)
        ASSERT_TRUE(addImportedGlNames(library, imported)) << library;
    const std::set<std::string> listed(std::begin(GL_SUBSET_CALLS), std::end(GL_SUBSET_CALLS));
    ASSERT_EQ(listed.size(), std::size(GL_SUBSET_CALLS)) << "a name listed twice";

    EXPECT_EQ(without(imported, listed), std::vector<std::string>()) << "called but not listed";
    EXPECT_EQ(without(listed, imported), std::vector<std::string>()) << "listed but not called";
    // A driver may lack these, so they are looked up, never linked.
    for (const char* name : GL_SUBSET_LOOKUPS)
        EXPECT_EQ(imported.count(name), 0u) << name;
}

}  // namespace
