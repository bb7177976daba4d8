// The product's layers and the rule between them, read from the source tree.
//
// What a test may rely on:
//   - LAYERS names the product's top folders, lowest first: the one place the
//     order is written. A file may include headers of its own layer and of
//     the layers below it; a header of a higher layer, or of a folder that is
//     no layer (tools/, tests/), is a fault.
//   - A home is a folder below platform/ or audio/ (platform/sdl,
//     audio/web, ...): one platform's implementation of the interfaces above
//     it. A home includes the interfaces, its own files and lower layers,
//     never another home of its layer.
//   - includeFaults() reads every .h, .c and .cpp file under the layers of a
//     tree and answers one line per fault, "gfx/a.cpp includes app/b.h
//     (app is above gfx)", sorted; none for a tree that keeps the rule.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* LAYERS[] = {"base", "content", "gfx", "platform", "audio", "timeline", "scenes", "app"};

// The layers whose subfolders are homes of one platform each.
inline constexpr const char* HOME_LAYERS[] = {"platform", "audio"};

std::vector<std::string> includeFaults(const std::string& root);
