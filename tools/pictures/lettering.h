// Lettering through FreeType with the DejaVu faces of fonts-dejavu-core:
// UTF-8 text set on a baseline into a Mask, unhinted, with sub-pixel pen
// positions, kerning, letter spacing and an optional stretch (for pictures
// that are drawn squeezed on screen).
#pragma once

#include "tools/pictures/canvas.h"

#include <string>

struct FT_LibraryRec_;
struct FT_FaceRec_;

enum class Typeface { SANS, SANS_BOLD, SERIF, SERIF_BOLD, MONO, MONO_BOLD, COUNT };

struct TextStyle {
    Typeface face = Typeface::SANS;
    float size = 16.0f;      // pixels per em
    float tracking = 0.0f;   // extra space after each letter, in ems
    float stretchX = 1.0f;   // horizontal scale of the letters and their spacing
    float stretchY = 1.0f;   // vertical scale
};

enum class Align { LEFT, CENTRE, RIGHT };

class Lettering {
public:
    Lettering() = default;
    Lettering(const Lettering&) = delete;
    Lettering& operator=(const Lettering&) = delete;
    ~Lettering();

    // Opens FreeType and every face; on failure error names the font file.
    bool open(std::string* error);

    // Advance width of the text, trailing letter spacing excluded.
    float width(const std::string& text, const TextStyle& style) const;
    // Height of a capital H above the baseline.
    float capHeight(const TextStyle& style) const;
    // Sets the text with its left edge, centre or right edge at x.
    void draw(Mask& mask, const std::string& text, const TextStyle& style, float x, float baseline,
              Align align = Align::LEFT) const;
    // The style's size, reduced so that the text is at most maxWidth wide.
    TextStyle fitted(const std::string& text, const TextStyle& style, float maxWidth) const;

private:
    FT_FaceRec_* face(Typeface typeface) const;

    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* faces_[int(Typeface::COUNT)] = {};
};
