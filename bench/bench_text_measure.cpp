// How much the glyph cache saves: a page of wizard text (Latin, accented
// and Cyrillic) broken into wrapped lines by the text drawer's measuring
// pass with the cache warm, against asking FreeType for every character's
// advance and against rendering every character, as an uncached drawer
// would.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx/fonts/fonts.h"
#include "gfx/fonts/utf8_text.h"

namespace {

const char* regular_file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

const std::string page =
    "Welcome to the Nimbrel installer. This program downloads the demo copy of the simulator "
    "over several parallel streams, checks every file it installs and records the new copy. "
    "Добро пожаловать! Программа установки загрузит демонстрационную версию симулятора. "
    "Bienvenue ! Le programme vérifie chaque fichier installé. Größe, Ñandú, Łódź.\n";

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20000;
    fnames[0] = regular_file;
    const auto* begin = reinterpret_cast<const unsigned char*>(page.data());
    const auto* end = begin + page.size();
    long chars = 0;
    for (const unsigned char* p = begin; p < end; p = utf8_next(p, end)) ++chars;

    OGL_font_info& face = OGL_font_face(charset_regular);
    double lines = 0;
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r)
        for (const unsigned char* p = begin; p < end; ++lines) p = OGL_font_break_line(face, p, end, 440, 0).next;
    const double cached = seconds_since(start);

    FT_Library library;
    FT_Face ft;
    FT_Init_FreeType(&library);
    FT_New_Face(library, regular_file, 0, &ft);
    FT_Set_Char_Size(ft, 0, 10 * 64 + 32, 72, 72);
    const int ft_rounds = rounds / 20 > 0 ? rounds / 20 : 1;
    double sink = 0;
    start = std::chrono::steady_clock::now();
    for (int r = 0; r < ft_rounds; ++r)
        for (const unsigned char* p = begin; p < end; p = utf8_next(p, end)) {
            FT_Load_Char(ft, utf8_decode(p, end), FT_LOAD_TARGET_LIGHT);
            sink += ft->glyph->metrics.horiAdvance;
        }
    const double advances = seconds_since(start) * rounds / ft_rounds;
    start = std::chrono::steady_clock::now();
    for (int r = 0; r < ft_rounds; ++r)
        for (const unsigned char* p = begin; p < end; p = utf8_next(p, end)) {
            FT_Load_Char(ft, utf8_decode(p, end), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT);
            sink += ft->glyph->bitmap.rows;
        }
    const double rendered = seconds_since(start) * rounds / ft_rounds;

    const double total = static_cast<double>(chars) * rounds;
    std::printf("%ld characters a page, %d pages, %.0f wrapped lines (sink %.0f)\n", chars, rounds, lines, sink);
    std::printf("| measuring | time | characters per second | ratio to the cache |\n|---|---|---|---|\n");
    std::printf("| glyph cache, line breaking | %.3f s | %.1f million | 1 |\n", cached, total / cached / 1e6);
    std::printf("| FreeType advances | %.3f s | %.1f million | %.0fx |\n", advances, total / advances / 1e6, advances / cached);
    std::printf("| FreeType rendering | %.3f s | %.1f million | %.0fx |\n", rendered, total / rendered / 1e6, rendered / cached);
    FT_Done_Face(ft);
    FT_Done_FreeType(library);
    return 0;
}
