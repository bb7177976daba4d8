#include "tools/pictures/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

namespace {

constexpr const char* FONT_DIRECTORY = "/usr/share/fonts/truetype/dejavu/";

// In Typeface order.
constexpr const char* FONT_FILES[] = {
    "DejaVuSans.ttf",  "DejaVuSans-Bold.ttf",  "DejaVuSerif.ttf",
    "DejaVuSerif-Bold.ttf", "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf",
};
static_assert(sizeof FONT_FILES / sizeof FONT_FILES[0] == size_t(Typeface::COUNT), "one file per face");

constexpr float FIXED_26_6 = 64.0f;
constexpr float FIXED_16_16 = 65536.0f;
constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;
constexpr float GREY_LEVELS = 255.0f;

// Decodes UTF-8; a malformed sequence gives one replacement character.
std::u32string decodeUtf8(const std::string& text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const auto lead = uint8_t(text[i]);
        int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (extra < 0 || i + size_t(extra) >= text.size()) {
            out.push_back(REPLACEMENT_CHARACTER);
            ++i;
            continue;
        }
        char32_t code = extra == 0 ? lead : char32_t(lead & (0x3F >> extra));
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = uint8_t(text[i + size_t(k)]);
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        out.push_back(valid ? code : REPLACEMENT_CHARACTER);
        i += valid ? size_t(extra) + 1 : 1;
    }
    return out;
}

void setSize(FT_Face face, float size) { FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(size * FIXED_26_6)), 72, 72); }

// Walks the glyphs of a text, calling visit(glyphIndex, penX) with the pen
// position of each glyph relative to the start; answers the advance width.
template <class Visit>
float walkGlyphs(FT_Face face, const std::u32string& codes, const TextStyle& style, Visit visit) {
    setSize(face, style.size);
    const bool kerning = FT_HAS_KERNING(face);
    const float spacing = style.tracking * style.size * style.stretchX;
    float pen = 0.0f;
    FT_UInt previous = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
        const FT_UInt glyph = FT_Get_Char_Index(face, FT_ULong(codes[i]));
        if (kerning && previous && glyph) {
            FT_Vector delta{};
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &delta);
            pen += float(delta.x) / FIXED_26_6 * style.stretchX;
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING) == 0) {
            const float advance = float(face->glyph->linearHoriAdvance) / FIXED_16_16 * style.stretchX;
            visit(glyph, pen);
            pen += advance;
        }
        if (i + 1 < codes.size()) pen += spacing;
        previous = glyph;
    }
    return pen;
}

void blitGlyph(Mask& mask, const FT_Bitmap& bitmap, int left, int top) {
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* line = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            if (line[column]) mask.cover(left + int(column), top + int(row), float(line[column]) / GREY_LEVELS);
        }
    }
}

}  // namespace

Lettering::~Lettering() {
    for (FT_Face face : faces_) {
        if (face) FT_Done_Face(face);
    }
    if (library_) FT_Done_FreeType(library_);
}

bool Lettering::open(std::string* error) {
    if (FT_Init_FreeType(&library_) != 0) {
        library_ = nullptr;
        *error = "FreeType could not be initialised";
        return false;
    }
    for (int i = 0; i < int(Typeface::COUNT); ++i) {
        const std::string path = std::string(FONT_DIRECTORY) + FONT_FILES[i];
        if (FT_New_Face(library_, path.c_str(), 0, &faces_[i]) != 0) {
            faces_[i] = nullptr;
            *error = "cannot open font " + path;
            return false;
        }
    }
    return true;
}

FT_FaceRec_* Lettering::face(Typeface typeface) const { return faces_[int(typeface)]; }

float Lettering::width(const std::string& text, const TextStyle& style) const {
    return walkGlyphs(face(style.face), decodeUtf8(text), style, [](FT_UInt, float) {});
}

float Lettering::capHeight(const TextStyle& style) const {
    FT_Face f = face(style.face);
    setSize(f, style.size);
    FT_Set_Transform(f, nullptr, nullptr);
    if (FT_Load_Char(f, 'H', FT_LOAD_NO_HINTING) != 0) return style.size * style.stretchY;
    return float(f->glyph->metrics.horiBearingY) / FIXED_26_6 * style.stretchY;
}

void Lettering::draw(Mask& mask, const std::string& text, const TextStyle& style, float x, float baseline,
                     Align align) const {
    FT_Face f = face(style.face);
    const std::u32string codes = decodeUtf8(text);
    if (align != Align::LEFT) {
        FT_Set_Transform(f, nullptr, nullptr);
        const float w = walkGlyphs(f, codes, style, [](FT_UInt, float) {});
        x -= align == Align::CENTRE ? w * 0.5f : w;
    }
    FT_Matrix stretch{FT_Fixed(std::lround(style.stretchX * FIXED_16_16)), 0, 0,
                      FT_Fixed(std::lround(style.stretchY * FIXED_16_16))};
    const float originY = std::floor(baseline);
    walkGlyphs(f, codes, style, [&](FT_UInt glyph, float pen) {
        const float penX = x + pen;
        const float originX = std::floor(penX);
        // The fractional pen position goes into the outline, so letters keep
        // their exact spacing; FreeType's y axis points up.
        FT_Vector delta{FT_Pos(std::lround((penX - originX) * FIXED_26_6)),
                        FT_Pos(-std::lround((baseline - originY) * FIXED_26_6))};
        FT_Set_Transform(f, &stretch, &delta);
        if (FT_Load_Glyph(f, glyph, FT_LOAD_NO_HINTING | FT_LOAD_RENDER) == 0) {
            blitGlyph(mask, f->glyph->bitmap, int(originX) + f->glyph->bitmap_left,
                      int(originY) - f->glyph->bitmap_top);
        }
        FT_Set_Transform(f, nullptr, nullptr);
    });
}

TextStyle Lettering::fitted(const std::string& text, const TextStyle& style, float maxWidth) const {
    TextStyle result = style;
    const float w = width(text, style);
    if (w > maxWidth) result.size *= maxWidth / w;
    return result;
}
