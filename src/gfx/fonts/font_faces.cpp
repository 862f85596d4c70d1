// The faces and their glyph atlases.
//
// -- The glyph cache ---
// -- Globals and faces ---
// -- Loading a face ---
// -- Rasterising a glyph ---
// -- Upload and drawing ---

#include <ft2build.h>
#include FT_FREETYPE_H

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/files/resources.h"
#include "core/shell_hooks.h"
#include "core/diag/stats_registry.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/fonts.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/shared_buffers.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_refs.h"

// -- The glyph cache ---

void OGL_glyph_cache::emplace(unsigned int c, const OGL_char_info& info)
{
    if (c >= kSlots) {
        others_.emplace(c, info);
        return;
    }
    if (known_[c]) return;
    if (slots_.empty()) slots_.resize(kSlots);
    slots_[c] = info;
    known_[c] = true;
}

const OGL_char_info& OGL_glyph_cache::at(unsigned int c) const
{
    static const OGL_char_info none = {};
    const OGL_char_info* found = find(c);
    return found ? *found : none;
}

void OGL_glyph_cache::clear()
{
    known_.reset();
    others_.clear();
}

// -- Globals and faces ---

OGL_font_info* sFont[2] = {nullptr, nullptr};
std::string fnames[2] = {"RESOURCE:DejaVuSans.ttf", "RESOURCE:DejaVuSansBold.ttf"};
const float fsizes[2] = {10.5f, 10.5f};
FT_LibraryRec_* sLibrary = nullptr;
UTL_stat g_font_tex_mem("font/tex_mem", 0, 0.0f);

namespace {

const int english = 0;
const int* language_source = &english;

constexpr int russian = 3;
// Russian runs long; its glyphs are condensed to fit the same layouts.
constexpr FT_Fixed russian_condense = 0xE666;

// Brightens mid-greys: thin strokes at 10.5 pixels would look washed out
// with FreeType's linear coverage.
struct coverage_table {
    unsigned char value[256];
    coverage_table()
    {
        for (int i = 0; i < 256; ++i)
            value[i] = static_cast<unsigned char>(255.0f * std::pow(i / 255.0f, 0.6f));
    }
};
const coverage_table coverage;

int power_of_two_at_least(int n)
{
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

void fail_face(const char* line1, const std::string& path, const char* line3)
{
    __MACIBM_alert(0, line1, path, line3, "", 2, __FILE__, __LINE__);
}

}  // namespace

void set_font_language_source(const int* language) { language_source = language ? language : &english; }

int OGL_font_language() { return *language_source; }

int OGL_font_atlas_max_dy()
{
    // 2048 is the largest side a texture object accepts.
    int limit = 2048;
    if (glExt.max_tex_size > 0 && glExt.max_tex_size < limit) {
        limit = 1;
        while (limit * 2 <= glExt.max_tex_size) limit *= 2;
    }
    return limit;
}

OGL_font_info& OGL_font_face(charset_t cs)
{
    // Any charset but bold is a caller's mistake; it draws in the regular
    // face rather than outside the two slots.
    const int slot = cs == charset_bold ? 1 : 0;
    if (!sFont[slot]) {
        sFont[slot] = new OGL_font_info(tex_ref::first_font + slot);
        OGL_font_reset(static_cast<charset_t>(slot));
    }
    return *sFont[slot];
}

void OGL_font_reset(charset_t cs)
{
    if (cs == charset_both) {
        OGL_font_reset(charset_regular);
        OGL_font_reset(charset_bold);
        return;
    }
    if (cs != charset_regular && cs != charset_bold) return;
    if (OGL_font_info* font = sFont[cs]) font->clear(fnames[cs], fsizes[cs]);
}

OGL_font_info::OGL_font_info(int ref) : tex_ref(ref) {}

OGL_font_info::~OGL_font_info()
{
    drop_glyphs();
    if (face) FT_Done_Face(face);
}

// -- Loading a face ---

void OGL_font_info::drop_glyphs()
{
    g_font_tex_mem.value -= static_cast<float>(atlas_dy);
    atlas_dy = 0;
    atlas_dirty = 0;
    chars.clear();
    std::free(atlas);
    atlas = nullptr;
    pen_x = row_y = row_dy = 0;
}

void OGL_font_info::clear(const std::string& path, float size)
{
    if (!sLibrary && FT_Init_FreeType(&sLibrary) != 0) {
        sLibrary = nullptr;
        __MACIBM_alert(0, "Unable to initialize freetype.", "", "", "", 2, __FILE__, __LINE__);
        return;
    }
    drop_glyphs();
    if (face) {
        FT_Done_Face(face);
        face = nullptr;
    }

    std::string name = path;
    const unsigned char* data = nullptr;
    long bytes = 0;
    if (UTL_path_is_resource(name)) {
        int resource_size = 0;
        data = reinterpret_cast<const unsigned char*>(UTL_resource_get_memory(name, resource_size));
        bytes = resource_size;
    } else if (font_file.retry(path)) {
        data = reinterpret_cast<const unsigned char*>(font_file.begin);
        bytes = static_cast<long>(font_file.size());
    }
    if (!data) {
        fail_face("Error: unable to make font from file", path,
                  "(We could not open the file and read its contents.)");
        return;
    }
    if (FT_New_Memory_Face(sLibrary, data, bytes, 0, &face) != 0) {
        face = nullptr;
        fail_face("Error: unable to make font from file", path,
                  "(Free-type could not process the .ttf file.)");
        return;
    }
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(size * 64), 72, 72) != 0) {
        FT_Done_Face(face);
        face = nullptr;
        fail_face("Error: unable to set char size for font", path, "");
        return;
    }
    FT_Matrix matrix = {OGL_font_language() == russian ? russian_condense : 0x10000, 0, 0, 0x10000};
    FT_Set_Transform(face, &matrix, nullptr);
}

// -- Rasterising a glyph ---

void OGL_font_info::grow_atlas(int new_dy)
{
    const size_t old_bytes = static_cast<size_t>(atlas_dy) * OGL_font_atlas_dx;
    const size_t new_bytes = static_cast<size_t>(new_dy) * OGL_font_atlas_dx;
    auto* grown = static_cast<unsigned char*>(std::malloc(new_bytes));
    if (atlas) std::memcpy(grown, atlas, old_bytes);
    std::memset(grown + old_bytes, 0, new_bytes - old_bytes);
    std::free(atlas);
    atlas = grown;
    g_font_tex_mem.value += static_cast<float>(new_dy - atlas_dy);
    atlas_dy = new_dy;
}

// Places a w by h bitmap at (pen_x, row_y), with atlas rows below it.
void OGL_font_info::make_room(int w, int h)
{
    if (pen_x + w > OGL_font_atlas_dx) {
        row_y += row_dy;
        pen_x = 0;
        row_dy = 0;
    }
    row_dy = std::max(row_dy, h);
    if (row_y + row_dy <= atlas_dy) return;

    // A full atlas starts over instead of growing past what a texture may
    // be: the glyphs still in use come back as they are measured again.
    const int limit = OGL_font_atlas_max_dy();
    if (row_y + row_dy > limit) {
        const int dy = atlas_dy;
        chars.clear();
        if (atlas) std::memset(atlas, 0, static_cast<size_t>(dy) * OGL_font_atlas_dx);
        pen_x = row_y = 0;
        row_dy = h;
        ++atlas_restarts;
        atlas_dirty = 1;
        if (row_dy <= atlas_dy) return;
    }
    grow_atlas(std::min(power_of_two_at_least(row_dy + atlas_dy), limit));
}

float OGL_font_info::require_char(unsigned int c)
{
    if (c == '\t') return 0;
    if (const OGL_char_info* known = chars.find(c)) return known->advance;
    if (!face) return 0;

    OGL_char_info info = {};
    const FT_Error error = FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT);
    if (error) {
        info.err = error;
        chars.emplace(c, info);
        return 0;
    }

    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    // A glyph larger than the atlas is clipped to it: only a face loaded at
    // an absurd size has one.
    const int w = std::min(static_cast<int>(bitmap.width), OGL_font_atlas_dx);
    const int h = std::min(static_cast<int>(bitmap.rows), OGL_font_atlas_max_dy());
    make_room(w, h);
    for (int row = 0; row < h; ++row) {
        const unsigned char* from = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        unsigned char* to = atlas + static_cast<size_t>(row_y + row) * OGL_font_atlas_dx + pen_x;
        for (int col = 0; col < w; ++col) to[col] = coverage.value[from[col]];
    }

    const float k = (OGL_font_language() == russian ? 0.9f : 1.0f) / 64.0f;
    const FT_Glyph_Metrics& m = glyph->metrics;
    info.tex_x1 = pen_x;
    info.tex_y1 = row_y;
    info.tex_x2 = pen_x + w;
    info.tex_y2 = row_y + h;
    info.off_x = static_cast<float>(m.horiBearingX) * k;
    info.off_y = static_cast<float>(m.horiBearingY - m.height) / 64.0f;
    info.advance = static_cast<float>(m.horiAdvance) * k;
    chars.emplace(c, info);
    pen_x += w;
    atlas_dirty = 1;
    return info.advance;
}

// -- Upload and drawing ---

void OGL_font_info::sync_tex()
{
    if (!atlas_dirty || !atlas) return;
    atlas_dirty = 0;
    scratch_dx = OGL_font_atlas_dx;
    scratch_dy = atlas_dy;
    std::memcpy(scratch_array, atlas, static_cast<size_t>(atlas_dy) * OGL_font_atlas_dx);
    tman.load_texture(tex_fail_fatal, tex_ref, 0x10083, tex_load_now, "scratch_array-fonts");
}

float OGL_font_info::draw_char(unsigned int c, float x, float y)
{
    if (c == '\t') return 0;
    const OGL_char_info* known = chars.find(c);
    if (!known || known->err) return 0;
    const OGL_char_info& e = *known;
    if (e.tex_x2 == e.tex_x1 || e.tex_y2 == e.tex_y1) return e.advance;
    const float x1 = std::floor(x + e.off_x), y1 = std::floor(y + e.off_y);
    const float x2 = x1 + static_cast<float>(e.tex_x2 - e.tex_x1);
    const float y2 = y1 + static_cast<float>(e.tex_y2 - e.tex_y1);
    const float s1 = static_cast<float>(e.tex_x1) / OGL_font_atlas_dx;
    const float s2 = static_cast<float>(e.tex_x2) / OGL_font_atlas_dx;
    const float t1 = static_cast<float>(e.tex_y1) / static_cast<float>(atlas_dy);
    const float t2 = static_cast<float>(e.tex_y2) / static_cast<float>(atlas_dy);
    // Atlas rows run from the top of the glyph down, so its bottom edge
    // takes the last bitmap row.
    OGL_quad_array_add(x1, y1, x2, y2, s1, t2, s2, t1);
    return e.advance;
}
