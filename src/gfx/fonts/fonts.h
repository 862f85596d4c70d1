// The two built-in TrueType faces, regular and bold, rasterised by FreeType
// into one grey-level glyph atlas per face and drawn as textured quads:
// measuring, fitting and the line-breaking text drawer.
//
// Text is UTF-8.  Coordinates are interface units from the drawing origin
// of the current window, x right and y up.  Main thread only: the faces,
// atlases and caches have no locks and drawing needs the main context.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/files/xmap.h"
#include "core/keyed_hash.h"

struct FT_FaceRec_;
struct FT_LibraryRec_;
class UTL_stat;

// 0 regular, 1 bold; 2 means both, for OGL_font_reset only.
enum charset_t : int { charset_regular = 0, charset_bold = 1, charset_both = 2 };

// The atlas is always this wide; its height grows in powers of two.
constexpr int OGL_font_atlas_dx = 1024;

struct OGL_char_info {
    int tex_x1;     // left atlas column
    int tex_y1;     // top atlas row (the bitmap's first row)
    int tex_x2;     // right atlas column, exclusive
    int tex_y2;     // bottom atlas row, exclusive
    float off_x;    // pen to the bitmap's left edge, pixels
    float off_y;    // baseline to the bitmap's bottom edge, pixels
    float advance;  // pixels
    int err;        // FreeType's error when the glyph could not be loaded
};

// The glyphs rasterised so far, by code point.  The characters of the
// interface's own languages (below U+0800: Latin, Greek, Cyrillic) have
// slots of their own, found without hashing on the frame path; any other,
// which a text from a server or a disk may choose, goes to a table hashed
// with the process's key.
class OGL_glyph_cache {
public:
    // Null where `c` is not cached.
    const OGL_char_info* find(unsigned int c) const
    {
        if (c < kSlots) return known_[c] ? &slots_[c] : nullptr;
        const auto found = others_.find(c);
        return found == others_.end() ? nullptr : &found->second;
    }
    // Caches `c` as `info`; one cached already stays as it is.
    void emplace(unsigned int c, const OGL_char_info& info);
    std::size_t count(unsigned int c) const { return find(c) ? 1 : 0; }
    // `c`'s entry, which must be cached (an empty one where it is not).
    const OGL_char_info& at(unsigned int c) const;
    std::size_t size() const { return known_.count() + others_.size(); }
    bool empty() const { return size() == 0; }
    void clear();
    // fn(code point, entry) for each glyph cached.
    template <class Fn>
    void for_each(Fn fn) const
    {
        for (unsigned int c = 0; c < kSlots; ++c)
            if (known_[c]) fn(c, slots_[c]);
        for (const auto& [c, info] : others_) fn(c, info);
    }

private:
    static constexpr unsigned int kSlots = 0x800;
    std::bitset<kSlots> known_;
    std::vector<OGL_char_info> slots_;  // kSlots of them, from the first
    std::unordered_map<unsigned int, OGL_char_info, keyed_hasher> others_;
};

class OGL_font_info {
public:
    explicit OGL_font_info(int tex_ref);
    ~OGL_font_info();
    OGL_font_info(const OGL_font_info&) = delete;
    OGL_font_info& operator=(const OGL_font_info&) = delete;

    // Drops every glyph and the atlas and loads the face anew from `path`
    // ("RESOURCE:..." or a file) at `size` points, one point a pixel.
    void clear(const std::string& path, float size);
    // The advance of `c`, rasterised into the atlas on first use.
    float require_char(unsigned int c);
    // Uploads the atlas when glyphs came in since the last upload.
    void sync_tex();
    // One quad with its pen at absolute (x, y), added to the quad array
    // that the caller draws (OGL_quad_array_draw); its advance, or 0 for a
    // tab or a glyph not cached or failed.  Never rasterises.
    float draw_char(unsigned int c, float x, float y);

    int tex_ref;
    int atlas_dy = 0;
    int atlas_dirty = 0;
    int pen_x = 0;
    int row_y = 0;
    int row_dy = 0;
    OGL_glyph_cache chars;
    unsigned char* atlas = nullptr;
    FT_FaceRec_* face = nullptr;
    xmap_class font_file;
    // How often a full atlas was started over; a line measured across a
    // restart is measured again so all its glyphs are in the atlas it draws.
    int atlas_restarts = 0;

private:
    void drop_glyphs();
    void make_room(int w, int h);
    void grow_atlas(int new_dy);
};

// The faces by charset, made on first use and never destroyed.
extern OGL_font_info* sFont[2];
// File and size of each face; a tool may point a face at another file
// before its first use.
extern std::string fnames[2];
extern const float fsizes[2];
extern FT_LibraryRec_* sLibrary;
// Atlas memory in kilobytes: one unit per 1024-byte atlas row.
extern UTL_stat g_font_tex_mem;

// The atlas never grows past this many rows: the largest texture side the
// texture objects take, or the driver's limit when that is smaller.
int OGL_font_atlas_max_dy();

// The face of `cs`, made and loaded on first use.  `cs` must be 0 or 1.
OGL_font_info& OGL_font_face(charset_t cs);
// Reloads face `cs` (both for 2) from scratch; a face not yet made is left
// alone.
void OGL_font_reset(charset_t cs);

// The interface language the faces are cut for: Russian (3) is condensed
// to 90 % of its width.  The shell points this at its window record's
// language field at start-up; null restores a zero (English) of its own.
void set_font_language_source(const int* language);
int OGL_font_language();

// -- Measuring and fitting ---

// Sums of the glyphs' float advances.  A string ends at its first NUL.
float OGL_measure_string(const std::string& text, charset_t cs);
float OGL_measure_range(const unsigned char* begin, const unsigned char* end, charset_t cs);
float OGL_measure_char(unsigned int c, charset_t cs);
// The start of the first character at which the running width would pass
// `width` (a width reached exactly still fits); end when all fits.
const unsigned char* OGL_fit_forward(const unsigned char* begin, const unsigned char* end,
                                     float width, charset_t cs);
// The start of the earliest character from which the rest up to end fits;
// begin when all fits, end when the last character alone is wider.
const unsigned char* OGL_fit_reverse(const unsigned char* begin, const unsigned char* end,
                                     float width, charset_t cs);

// -- Fitting text into a region ---

// Wrapped lines stand this far apart.
constexpr float OGL_wrapped_line_step = 10.0f;

// How many lines the drawer breaks `text` into at `wrap` (0 < wrap < 9999).
int OGL_count_lines(const std::string& text, float wrap, charset_t cs);
// `text` when it breaks into at most `lines` lines at `wrap`.  Otherwise
// the text cut in its middle, "…" standing for what was left out, as long
// as it still breaks into `lines`: the start and the end of a message say
// the most (what went wrong and what is asked; a path's folder and its
// file).  Nothing for fewer than one line.
std::string OGL_fit_lines(const std::string& text, float wrap, int lines, charset_t cs);
// Texts drawn one under another, text i with its first baseline at
// `baselines[i]` (from the top down) and wrapped at `wrap`: each is fitted
// so that its lines stay above the next text's first line, and the last
// text's go no lower than `floor`, the lowest baseline the region has.  An
// empty text takes no room: the one above it may run on into its place.
void OGL_fit_stacked(std::string* texts, const float* baselines, int count, float floor, float wrap,
                     charset_t cs);

// -- Drawing ---

// One line as the drawer breaks it: [start, end) is drawn, `width` is how
// far the pen moves across it (the glyphs' advances, or the fixed advance),
// and the next line begins at `next`.
struct OGL_font_line {
    const unsigned char* end;
    const unsigned char* next;
    float width;
};
// Breaks the line beginning at `start`: at CR or LF, or, with 0 < wrap <
// 9999, at the last blank before the width reached `wrap` (inside a word
// when there is none).  Rasterises every glyph it passes.
OGL_font_line OGL_font_break_line(OGL_font_info& font, const unsigned char* start,
                                  const unsigned char* end, float wrap, int fixed_advance);

// Draws `text` with its first baseline at (x, y); returns the baseline of
// the line after the last one drawn.  Wrapped lines go 10 units apart;
// without wrapping, lines split at CR or LF overprint each other.  align: 0
// left, 1 centred on x, 2 right-aligned at x.  A non-zero fixed_advance
// moves the pen by that many units per character.
float OGL_font_string(int colour, float x, float y, const std::string& text, float wrap_width,
                      charset_t cs, int align, int fixed_advance);
// The same for bytes [begin, end).
float OGL_font_string_range(int colour, float x, float y, const unsigned char* begin,
                            const unsigned char* end, float wrap_width, charset_t cs, int align,
                            int fixed_advance);
