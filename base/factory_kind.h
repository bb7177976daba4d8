// The factories (createGlWindow, createMusicPlayer, createTexture) take a
// kind number: this one gives the program's one implementation, any other
// gives no object.
#pragma once

constexpr int STANDARD_KIND = 1;
