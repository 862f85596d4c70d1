// A screenshot of Latin, accented and Cyrillic text in both faces,
// compared with the same text rendered straight by FreeType from the
// installed font files and composited here.  Both pictures are kept in the
// test output folder.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files/file_ops.h"
#include "gfx/images/image_desc.h"
#include "gfx/images/image_files.h"
#include "gfx/fonts/text_drawing.h"
#include "gfx/fonts/utf8_text.h"
#include "test_support.h"
#include "text_test_support.h"

namespace {

struct line {
    const char* font_file;
    charset_t cs;
    float x, y;
    std::string text;
};

const line lines[] = {
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", charset_regular, 6, 160, "Nimbrel Installer: Ready to install!"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", charset_regular, 6, 130, "Déjà vu — Größe, Ñandú, Œuvre, Łódź"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", charset_regular, 6, 100, "Установка завершена: Ёжик, щи"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", charset_bold, 6, 70, "Bold: 1,234.5 KB/s — Загрузка"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", charset_bold, 6, 40, "Vérifier l'installation"},
};

// White text over black through an alpha texture: each glyph pixel blends
// its coverage over what is there.
std::vector<float> expected_picture()
{
    FT_Library library;
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    std::vector<float> grey(gfx_test::screen_w * gfx_test::screen_h, 0.0f);
    for (const line& l : lines) {
        FT_Face face;
        EXPECT_EQ(FT_New_Face(library, l.font_file, 0, &face), 0) << l.font_file;
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(10.5 * 64), 72, 72);
        double pen = l.x;
        const double baseline = l.y - 1;
        const auto* p = reinterpret_cast<const unsigned char*>(l.text.data());
        const auto* end = p + l.text.size();
        for (; p < end; p = utf8_next(p, end)) {
            EXPECT_EQ(FT_Load_Char(face, utf8_decode(p, end), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT), 0);
            const FT_GlyphSlot g = face->glyph;
            const int left = static_cast<int>(std::floor(pen + g->metrics.horiBearingX / 64.0));
            const int bottom = static_cast<int>(std::floor(baseline + (g->metrics.horiBearingY - g->metrics.height) / 64.0));
            const int rows = static_cast<int>(g->bitmap.rows);
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < static_cast<int>(g->bitmap.width); ++c) {
                    const int x = left + c, y = bottom + rows - 1 - r;
                    if (x < 0 || y < 0 || x >= gfx_test::screen_w || y >= gfx_test::screen_h) continue;
                    const double a = std::pow(g->bitmap.buffer[r * g->bitmap.pitch + c] / 255.0, 0.6);
                    float& dst = grey[y * gfx_test::screen_w + x];
                    dst = static_cast<float>(a * 255.0 + (1 - a) * dst);
                }
            pen += g->metrics.horiAdvance / 64.0;
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return grey;
}

void save(const std::string& name, const std::vector<unsigned char>& rgb)
{
    const std::string folder = testing_support::test_program_dir() + "test-output/";
    make_folder(folder);
    TEX_image_desc desc;
    desc.format = GL_RGB;
    desc.dx = gfx_test::screen_w;
    desc.dy = gfx_test::screen_h;
    EXPECT_EQ(TEX_save_png(folder + name, desc, rgb.data()), 1) << folder + name;
}

class TextScreenshot : public text_test::text_test_base {};

}  // namespace

TEST_F(TextScreenshot, MatchesTheTextRenderedStraightByFreeType)
{
    for (const line& l : lines) OGL_string(text_test::white, l.x, l.y, l.text, 9999, l.cs, 0);
    const std::vector<unsigned char> shot = text_test::capture();
    const std::vector<float> expected = expected_picture();

    std::vector<unsigned char> expected_rgb(shot.size());
    int differing = 0, worst = 0, lit = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const int want = static_cast<int>(expected[i] + 0.5f);
        expected_rgb[3 * i] = expected_rgb[3 * i + 1] = expected_rgb[3 * i + 2] = static_cast<unsigned char>(want);
        const int diff = std::abs(shot[3 * i] - want);
        worst = std::max(worst, diff);
        differing += diff > 4;
        lit += want > 0;
    }
    save("text_screenshot.png", shot);
    save("text_expected.png", expected_rgb);
    EXPECT_GT(lit, 2000) << "the reference holds almost no text";
    EXPECT_LE(differing, lit / 200) << "pixels off by more than 4 of 255; worst " << worst
                                    << "; see test-output/text_screenshot.png";
    EXPECT_LE(worst, 48);
}
