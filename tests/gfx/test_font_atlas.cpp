// Glyphs rasterised into the atlas: the cache, row packing, growth in
// powers of two, the row limit, oversized glyphs, the condensed Russian
// cut, and the fatal alerts of a face that cannot be loaded.  FreeType
// alone: nothing here needs a display.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/diag/stats_registry.h"
#include "gfx/fonts/fonts.h"
#include "gfx_test_helpers.h"
#include "test_support.h"

namespace {

const char* regular_file = "RESOURCE:DejaVuSans.ttf";

// A face of its own, so the program's two keep their caches.
struct private_face {
    explicit private_face(float size, const std::string& path = regular_file) : font(411) { font.clear(path, size); }
    OGL_font_info font;
};

int power_of_two_at_least(int n)
{
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

TEST(FontAtlas, AGlyphIsRasterisedOnceAndATabNever)
{
    private_face f(10.5f);
    const float first = f.font.require_char('g');
    const int pen = f.font.pen_x;
    EXPECT_GT(first, 0);
    EXPECT_EQ(f.font.require_char('g'), first);
    EXPECT_EQ(f.font.pen_x, pen) << "a cached glyph took atlas room again";
    EXPECT_EQ(f.font.chars.size(), 1u);

    EXPECT_EQ(f.font.require_char('\t'), 0);
    EXPECT_EQ(f.font.chars.count('\t'), 0u);

    // Past the interface's own alphabets, in the cache's other table.
    const float euro = f.font.require_char(0x20AC);
    const int euro_pen = f.font.pen_x;
    EXPECT_GT(euro, 0);
    EXPECT_EQ(f.font.require_char(0x20AC), euro);
    EXPECT_EQ(f.font.pen_x, euro_pen) << "a cached glyph took atlas room again";
    EXPECT_EQ(f.font.chars.size(), 2u);
}

TEST(FontAtlas, GlyphEntriesPlaceTheBitmapOnTheBaseline)
{
    private_face f(10.5f);
    f.font.require_char('x');
    f.font.require_char('p');
    const OGL_char_info& x = f.font.chars.at('x');
    const OGL_char_info& p = f.font.chars.at('p');
    EXPECT_EQ(x.err, 0);
    EXPECT_EQ(x.tex_x1, 0);
    EXPECT_EQ(p.tex_x1, x.tex_x2) << "glyphs are packed edge to edge";
    EXPECT_EQ(x.off_y, 0) << "x stands on the baseline";
    EXPECT_LT(p.off_y, 0) << "p descends below it";
    EXPECT_GE(f.font.atlas_dy, p.tex_y2);
    // Something was drawn into the atlas where the entry says.
    int lit = 0;
    for (int row = p.tex_y1; row < p.tex_y2; ++row)
        for (int col = p.tex_x1; col < p.tex_x2; ++col) lit += f.font.atlas[row * OGL_font_atlas_dx + col] != 0;
    EXPECT_GT(lit, 0);
}

TEST(FontAtlas, AGlyphThatDoesNotFitTheRowStartsANewRowBelowTheTallest)
{
    private_face f(10.5f);
    f.font.require_char('l');
    const int tallest = f.font.row_dy;
    f.font.pen_x = OGL_font_atlas_dx - 2;
    f.font.require_char('W');
    const OGL_char_info& w = f.font.chars.at('W');
    EXPECT_EQ(w.tex_x1, 0);
    EXPECT_EQ(w.tex_y1, tallest);
    EXPECT_EQ(f.font.row_y, tallest);
}

TEST(FontAtlas, GrowsToThePowerOfTwoAboveOldHeightPlusRowAndKeepsItsRows)
{
    private_face f(40.0f);
    const float mem_before = g_font_tex_mem.value;
    f.font.require_char('-');
    const int small = f.font.atlas_dy;
    EXPECT_EQ(small, power_of_two_at_least(f.font.chars.at('-').tex_y2));
    const int dash_dx = f.font.chars.at('-').tex_x2;
    std::vector<unsigned char> old(f.font.atlas, f.font.atlas + small * OGL_font_atlas_dx);

    f.font.require_char('H');
    const int tall = f.font.chars.at('H').tex_y2;
    ASSERT_GT(tall, small) << "the test needs a glyph taller than the first atlas";
    EXPECT_EQ(f.font.atlas_dy, power_of_two_at_least(small + tall));
    for (int row = 0; row < small; ++row)
        ASSERT_EQ(std::memcmp(&old[row * OGL_font_atlas_dx], f.font.atlas + row * OGL_font_atlas_dx, dash_dx), 0)
            << "row " << row << " of the first glyph lost when growing";
    EXPECT_FLOAT_EQ(g_font_tex_mem.value - mem_before, static_cast<float>(f.font.atlas_dy));

    f.font.clear(regular_file, 40.0f);
    EXPECT_FLOAT_EQ(g_font_tex_mem.value, mem_before) << "a reset gives back the atlas rows";
    EXPECT_EQ(f.font.atlas, nullptr);
    EXPECT_TRUE(f.font.chars.empty());
}

TEST(FontAtlas, AFullAtlasStartsOverInsteadOfPassingTheTextureLimit)
{
    gfx_test::captured quiet;
    private_face f(300.0f);
    // Glyphs about 300 pixels high: a few rows fill 2048.
    for (unsigned int c = 'A'; c <= 'z'; ++c) {
        EXPECT_GT(f.font.require_char(c), 0) << static_cast<char>(c);
        EXPECT_LE(f.font.atlas_dy, OGL_font_atlas_max_dy());
    }
    EXPECT_GT(f.font.atlas_restarts, 0);
    EXPECT_EQ(f.font.atlas_dy, OGL_font_atlas_max_dy());
    EXPECT_TRUE(gfx_test::alerts().empty()) << gfx_test::alerts()[0].line1;
    // What is cached after the restart is what the atlas holds.
    f.font.chars.for_each([&](unsigned int, const OGL_char_info& entry) {
        EXPECT_LE(entry.tex_y2, f.font.atlas_dy);
        EXPECT_LE(entry.tex_x2, OGL_font_atlas_dx);
    });
}

TEST(FontAtlas, AGlyphWiderThanTheAtlasIsClippedToIt)
{
    private_face f(2500.0f);
    EXPECT_GT(f.font.require_char('W'), 1024);
    const OGL_char_info& w = f.font.chars.at('W');
    EXPECT_EQ(w.tex_x1, 0);
    EXPECT_EQ(w.tex_x2, OGL_font_atlas_dx);
    EXPECT_LE(w.tex_y2, OGL_font_atlas_max_dy());
    EXPECT_LE(f.font.atlas_dy, OGL_font_atlas_max_dy());
}

TEST(FontAtlas, AGlyphFreeTypeCannotRenderMeasuresZeroAndIsNotRetried)
{
    // FreeType's rasteriser gives up on outlines this large.
    private_face f(40000.0f);
    EXPECT_EQ(f.font.require_char('W'), 0);
    ASSERT_EQ(f.font.chars.count('W'), 1u);
    const OGL_char_info failed = f.font.chars.at('W');
    EXPECT_NE(failed.err, 0);
    EXPECT_EQ(failed.tex_x2, 0);
    EXPECT_EQ(failed.advance, 0);
    EXPECT_EQ(f.font.require_char('W'), 0);
    EXPECT_EQ(f.font.chars.size(), 1u);
    EXPECT_EQ(f.font.atlas, nullptr) << "a failed glyph takes no atlas room";
}

TEST(FontAtlas, RussianIsCondensedToNineTenthsOfTheWidth)
{
    private_face english(10.5f);
    const float advance = english.font.require_char(0x416);
    english.font.require_char('m');
    const OGL_char_info en = english.font.chars.at('m');

    struct in_russian {
        in_russian() { set_font_language_source(&russian); }
        ~in_russian() { set_font_language_source(nullptr); }
        const int russian = 3;
    };
    private_face condensed(10.5f);
    {
        in_russian language;
        condensed.font.clear(regular_file, 10.5f);
        EXPECT_FLOAT_EQ(condensed.font.require_char(0x416), advance * 0.9f);
        condensed.font.require_char('m');
    }
    const OGL_char_info& ru = condensed.font.chars.at('m');
    EXPECT_FLOAT_EQ(ru.off_x, en.off_x * 0.9f);
    EXPECT_FLOAT_EQ(ru.off_y, en.off_y) << "vertical metrics stay";
    EXPECT_LT(ru.tex_x2 - ru.tex_x1, en.tex_x2 - en.tex_x1) << "the bitmap is condensed too";
}

TEST(FontAtlas, AFaceThatCannotBeLoadedIsAFatalAlertAndMeasuresNothing)
{
    testing_support::scratch_dir dir;
    testing_support::write_file(dir / "not_a_font.ttf", "this is no font at all");
    struct {
        std::string path;
        float size;
        std::string line1, line3;
    } cases[] = {
        {dir / "missing.ttf", 10.5f, "Error: unable to make font from file",
         "(We could not open the file and read its contents.)"},
        {"RESOURCE:NoSuchFace.ttf", 10.5f, "Error: unable to make font from file",
         "(We could not open the file and read its contents.)"},
        {dir / "not_a_font.ttf", 10.5f, "Error: unable to make font from file",
         "(Free-type could not process the .ttf file.)"},
    };
    for (const auto& c : cases) {
        gfx_test::captured alerts;
        OGL_font_info font(411);
        font.clear(c.path, c.size);
        ASSERT_EQ(gfx_test::alerts().size(), 1u) << c.path;
        const gfx_test::alert& a = gfx_test::alerts()[0];
        EXPECT_EQ(a.level, 2);
        EXPECT_EQ(a.line1, c.line1);
        EXPECT_EQ(a.line2, c.path);
        EXPECT_EQ(a.line3, c.line3);
        EXPECT_EQ(font.face, nullptr);
        EXPECT_EQ(font.require_char('a'), 0) << "no face, no glyph";
    }
}
