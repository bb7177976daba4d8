#include "layering.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST(Layering, NoFileOfTheProductIncludesAHigherLayerOrAnotherHome) {
    const std::vector<std::string> faults = includeFaults(SOURCE_DIR);
    EXPECT_TRUE(faults.empty()) << joined(faults);
}

// A tree of a few planted files: each upward or sideways include is found,
// and only those.
TEST(Layering, PlantedFaultsAreEachFoundAndTheRuleKeptIsNot) {
    const fs::path root = fs::path(testing::TempDir()) / "layering_plant";
    fs::remove_all(root);
    const auto plant = [&](const std::string& path, const std::string& text) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << text;
    };
    plant("gfx/upward.cpp", "#include \"gfx/texture.h\"\n#include \"app/run_sequence.h\"\n");
    plant("base/upward.h", "#pragma once\n#include \"content/frame_size.h\"\n");
    plant("platform/sdl/sideways.cpp", "#include \"platform/gl_window.h\"\n#include \"platform/web/page_bridge.h\"\n");
    plant("audio/web/own.cpp", "#include \"audio/web/own.h\"\n#include \"audio/sound_system.h\"\n#include <vector>\n");
    plant("app/tool.cpp", "#include \"tools/pictures/canvas.h\"\n#include \"platform/sdl/offscreen_video.h\"\n");
    plant("scenes/notes.txt", "#include \"app/run_sequence.h\"\n");

    EXPECT_EQ(includeFaults(root.string()),
              (std::vector<std::string>{
                  "app/tool.cpp includes tools/pictures/canvas.h (tools is no layer of the product)",
                  "base/upward.h includes content/frame_size.h (content is above base)",
                  "gfx/upward.cpp includes app/run_sequence.h (app is above gfx)",
                  "platform/sdl/sideways.cpp includes platform/web/page_bridge.h "
                  "(platform/web is another home than platform/sdl)",
              }));
    fs::remove_all(root);
}

}  // namespace
