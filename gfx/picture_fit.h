// A picture of any size fitted into a frame of another: scaled, keeping its
// aspect, to the largest centred rectangle the frame holds, with transparent
// black around it. Pictures are 8-bit RGBA, row 0 at the top; all four
// channels, alpha too, are filtered alike, as OpenGL's own filters do.
#pragma once

#include <cstdint>
#include <memory>

// Where the picture lands in the frame, in frame pixels from the top left.
struct FittedRect {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The rectangle for a width x height picture (both at least 1): as wide as
// the frame when the picture is at least as wide for its height, else as
// high; the other side rounded to whole pixels, at least 1.
FittedRect fittedRect(uint32_t width, uint32_t height, uint32_t frameWidth, uint32_t frameHeight);

// A new frameWidth x frameHeight picture holding the given one inside
// fittedRect. Each axis shrinks by area averaging, grows bilinearly (pixel
// centres aligned, edges held) and is copied where its length stays; the
// arithmetic is plain float, the same on every machine.
std::unique_ptr<uint8_t[]> fitPicture(const uint8_t* pixels, uint32_t width, uint32_t height,
                                      uint32_t frameWidth, uint32_t frameHeight);
