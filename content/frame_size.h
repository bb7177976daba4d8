// The show's frame: every scene draws a 1024 x 768 picture, whatever the
// screen. The display mode asks for it, a screen of another size shows it
// scaled, and the recorder captures it pixel for pixel.
#pragma once

constexpr int FRAME_WIDTH = 1024;
constexpr int FRAME_HEIGHT = 768;
