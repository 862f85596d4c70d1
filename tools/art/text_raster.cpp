#include "text_raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>

namespace art {

std::u32string decode_utf8(const std::string& text)
{
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        char32_t code = extra ? lead & (0x3F >> extra) : lead;
        bool whole = i + extra < text.size();
        for (int k = 1; whole && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            whole = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!whole) {
            out.push_back(lead);
            i += 1;
        } else {
            out.push_back(code);
            i += extra + 1;
        }
    }
    return out;
}

text_raster::text_raster() = default;

text_raster::~text_raster()
{
    if (regular_) FT_Done_Face(regular_);
    if (bold_) FT_Done_Face(bold_);
    if (library_) FT_Done_FreeType(library_);
}

bool text_raster::open(const std::string& regular_path, const std::string& bold_path,
                       std::string& error)
{
    if (!library_ && FT_Init_FreeType(&library_) != 0) {
        error = "FreeType could not start";
        return false;
    }
    if (FT_New_Face(library_, regular_path.c_str(), 0, &regular_) != 0) {
        error = "could not open the font " + regular_path;
        return false;
    }
    if (FT_New_Face(library_, bold_path.c_str(), 0, &bold_) != 0) {
        error = "could not open the font " + bold_path;
        return false;
    }
    return true;
}

bool text_raster::set_size(FT_Face f, float size)
{
    return FT_Set_Char_Size(f, 0, FT_F26Dot6(std::lround(size * 64.0f)), 72, 72) == 0;
}

namespace {

// Light hinting keeps the glyphs' shapes and spacing true to the design and
// only snaps them vertically, which suits captions cut at exact columns.
constexpr FT_Int32 load_flags = FT_LOAD_TARGET_LIGHT;

// The design advance in 26.6 pixels, not the one rounded for hinting, so
// that glyphs placed on subpixel offsets keep their true spacing.
FT_Pos advance(FT_Face f) { return f->glyph->linearHoriAdvance >> 10; }

// Loads each glyph of the text in turn and hands `each` its pen position
// (26.6 pixels, kerning applied); returns the pen after the last glyph.
// Measuring and drawing both walk here, so they always agree.
template <class Each>
FT_Pos walk_glyphs(FT_Face f, const std::string& text, FT_Pos pen, Each each)
{
    FT_UInt previous = 0;
    for (char32_t code : decode_utf8(text)) {
        const FT_UInt glyph = FT_Get_Char_Index(f, code);
        if (previous && glyph && FT_HAS_KERNING(f)) {
            FT_Vector kern;
            if (FT_Get_Kerning(f, previous, glyph, FT_KERNING_UNFITTED, &kern) == 0) pen += kern.x;
        }
        previous = glyph;
        if (FT_Load_Glyph(f, glyph, load_flags) != 0) continue;
        const FT_Pos glyph_advance = advance(f);
        each(pen);
        pen += glyph_advance;
    }
    return pen;
}

}  // namespace

float text_raster::measure(const std::string& text, face_style style, float size)
{
    FT_Face f = face(style);
    if (!set_size(f, size)) return 0.0f;
    return walk_glyphs(f, text, 0, [](FT_Pos) {}) / 64.0f;
}

float text_raster::cap_height(face_style style, float size)
{
    FT_Face f = face(style);
    if (!set_size(f, size) || FT_Load_Char(f, 'H', load_flags) != 0) return size * 0.73f;
    return f->glyph->metrics.horiBearingY / 64.0f;
}

void text_raster::draw(canvas& c, float x, float baseline, const std::string& text,
                       face_style style, float size, const rgba& colour)
{
    FT_Face f = face(style);
    if (!set_size(f, size)) return;
    const int base = int(std::lround(baseline));
    walk_glyphs(f, text, FT_Pos(std::lround(x * 64.0f)), [&](FT_Pos pen) {
        // Each glyph starts on its own subpixel offset, so spacing stays even.
        FT_Outline_Translate(&f->glyph->outline, pen & 63, 0);
        if (FT_Render_Glyph(f->glyph, FT_RENDER_MODE_NORMAL) != 0) return;
        const FT_Bitmap& bitmap = f->glyph->bitmap;
        const int left = int(pen >> 6) + f->glyph->bitmap_left;
        const int top = base - f->glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const unsigned char v = bitmap.buffer[row * bitmap.pitch + col];
                if (v) c.blend(left + int(col), top + int(row), colour, v / 255.0f);
            }
    });
}

}  // namespace art
