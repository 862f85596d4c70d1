// Measuring, fitting and line breaking in the program's faces, at the
// boundaries where a width just fits or just does not.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/fonts/fonts.h"
#include "gfx/fonts/text_drawing.h"

namespace {

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

float advance(unsigned int c) { return OGL_measure_char(c, charset_regular); }
float whole(unsigned int c) { return std::trunc(advance(c)); }

// The lines OGL_font_string would draw, as texts.
std::vector<std::string> lines(const std::string& text, float wrap, int fixed_advance = 0)
{
    std::vector<std::string> out;
    const unsigned char* end = bytes(text) + text.size();
    for (const unsigned char* p = bytes(text); p < end;) {
        const OGL_font_line line = OGL_font_break_line(OGL_font_face(charset_regular), p, end, wrap, fixed_advance);
        out.emplace_back(reinterpret_cast<const char*>(p), line.end - p);
        p = line.next;
    }
    return out;
}

using texts = std::vector<std::string>;

int characters(const std::string& utf8)
{
    int n = 0;
    for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
    return n;
}

}  // namespace

TEST(FontMeasuring, AStringIsTheSumOfItsAdvancesUpToItsFirstNul)
{
    EXPECT_EQ(str_dx(""), 0);
    EXPECT_FLOAT_EQ(str_dx("Ab"), advance('A') + advance('b'));
    EXPECT_FLOAT_EQ(str_dx(std::string("Ab\0cd", 5)), str_dx("Ab"));
    EXPECT_FLOAT_EQ(str_dx("a\tb"), str_dx("ab")) << "a tab measures 0";
    EXPECT_FLOAT_EQ(str_dx("\xD0\x96\xC3\xA9"), advance(0x416) + advance(0xE9));
    EXPECT_FLOAT_EQ(OGL_measure_string("Ab", charset_bold), OGL_measure_char('A', charset_bold) + OGL_measure_char('b', charset_bold));
    EXPECT_GT(OGL_measure_string("Ab", charset_bold), str_dx("Ab"));

    const std::string text = "Ж1";
    EXPECT_EQ(OGL_measure_range(bytes(text), bytes(text), charset_regular), 0);
    EXPECT_FLOAT_EQ(OGL_measure_range(bytes(text), bytes(text) + 2, charset_regular), advance(0x416));
}

TEST(FontMeasuring, BrokenAndHugeTextIsMeasuredWithinItsBytes)
{
    // Cut-off sequences at the end of the string, stray continuation bytes.
    for (const char* s : {"abc\xE2\x82", "\xF0", "\x80\x80\x80", "\xFF\xFE"})
        EXPECT_TRUE(std::isfinite(str_dx(s))) << s;
    const std::string huge(1 << 20, 'm');
    EXPECT_FLOAT_EQ(str_dx(huge), advance('m') * (1 << 20));
}

TEST(FontMeasuring, FittingForwardStopsAtTheCharacterThatWouldPassTheWidth)
{
    const std::string abc = "aЖc";
    const unsigned char *b = bytes(abc), *e = b + abc.size();
    const float all = advance('a') + advance(0x416) + advance('c');
    EXPECT_EQ(OGL_fit_forward(b, e, all, charset_regular), e) << "a sum equal to the width still fits";
    EXPECT_EQ(OGL_fit_forward(b, e, all - 0.01f, charset_regular), b + 3);
    EXPECT_EQ(OGL_fit_forward(b, e, advance('a') + 0.5f, charset_regular), b + 1) << "stops at Ж's lead byte";
    EXPECT_EQ(OGL_fit_forward(b, e, advance('a') - 0.01f, charset_regular), b);
    EXPECT_EQ(OGL_fit_forward(b, b, 100, charset_regular), b);
}

TEST(FontMeasuring, FittingBackwardKeepsTheLongestTailThatFits)
{
    const std::string abc = "aЖc";
    const unsigned char *b = bytes(abc), *e = b + abc.size();
    const float all = advance('a') + advance(0x416) + advance('c');
    EXPECT_EQ(OGL_fit_reverse(b, e, all, charset_regular), b);
    EXPECT_EQ(OGL_fit_reverse(b, e, advance('c'), charset_regular), b + 3) << "only the last letter";
    EXPECT_EQ(OGL_fit_reverse(b, e, advance('c') + advance(0x416), charset_regular), b + 1);
    EXPECT_EQ(OGL_fit_reverse(b, e, advance('c') - 0.01f, charset_regular), e);
    EXPECT_EQ(OGL_fit_reverse(b, b, 0, charset_regular), b);
}

TEST(FontMeasuring, WrappingBreaksAtTheLastBlankBeforeTheWidthIsReached)
{
    // Wide enough for "abc " but not for the next letter as well.
    const float first = whole('a') + whole('b') + whole('c') + whole(' ');
    EXPECT_EQ(lines("abc def", first + 1), (texts{"abc", "def"}));
    EXPECT_EQ(lines("abc def", 200), (texts{"abc def"}));
    // The break is the last blank seen; the blanks after it start no line.
    EXPECT_EQ(lines("abc   def", first + 1), (texts{"abc ", "def"}));
}

TEST(FontMeasuring, AWordWiderThanTheLineIsCutAfterTheLetterThatReachedTheWidth)
{
    const float width = whole('m') * 2;
    EXPECT_EQ(lines("mmmmm", width), (texts{"mm", "mm", "m"}));
    EXPECT_EQ(lines("mmmmm", width - 1), (texts{"mm", "mm", "m"}));
    EXPECT_EQ(lines("mmmmm", width + 1), (texts{"mmm", "mm"}));
}

TEST(FontMeasuring, CarriageReturnAndLineFeedEachEndALine)
{
    EXPECT_EQ(lines("a\r\nb", 200), (texts{"a", "", "b"}));
    EXPECT_EQ(lines("a\r\nb", 0), (texts{"a", "", "b"})) << "without wrapping too";
    EXPECT_EQ(lines("a\n  b\n", 9999), (texts{"a", "b"}));
}

TEST(FontMeasuring, ALineMeasuresTheAdvancesThePenMovesByOrTheFixedAdvance)
{
    const std::string text = "Wij";
    const unsigned char* e = bytes(text) + 3;
    EXPECT_FLOAT_EQ(OGL_font_break_line(OGL_font_face(charset_regular), bytes(text), e, 0, 0).width,
                    advance('W') + advance('i') + advance('j'));
    EXPECT_EQ(OGL_font_break_line(OGL_font_face(charset_bold), bytes(text), e, 0, 10).width, 30);
}

TEST(FontMeasuring, DigitsUnderAFixedAdvanceAreRasterisedWhenTheLineIsMeasured)
{
    OGL_font_reset(charset_bold);
    const std::string digits = "0123456789";
    OGL_font_break_line(OGL_font_face(charset_bold), bytes(digits), bytes(digits) + 10, 9999, 10);
    for (char c : digits) {
        ASSERT_EQ(OGL_font_face(charset_bold).chars.count(static_cast<unsigned char>(c)), 1u) << c;
        EXPECT_GT(OGL_font_face(charset_bold).chars.at(static_cast<unsigned char>(c)).tex_x2, 0) << c;
    }
}

TEST(FontMeasuring, BrokenSequencesThatDecodeToLineEndsOrBlanksStillMoveOn)
{
    // "\xF0\x8A" cut short by the end decodes to 10 and "\xC0\xA0" to 32:
    // each ends or pads a line as the character it decodes to, and the next
    // line starts after all of its bytes.
    EXPECT_EQ(lines("a\xF0\x8A", 0), (texts{"a"}));
    EXPECT_EQ(lines("\xF0\x8A", 9999), (texts{""}));
    EXPECT_EQ(lines("a\n\xC0\xA0\xC0\xA0" "b", 0), (texts{"a", "b"}));
}

// A region holds so many lines: a text that needs more keeps its start and
// its end around an ellipsis, never a broken character, and fills exactly
// the lines there are.
TEST(FontFitting, ALongTextKeepsItsStartAndEndInTheLinesItIsGiven)
{
    const std::string path = "/home/pilot/" + std::string(170, 'n') + "/Resources/" + std::string(190, 'f') + ".dat";
    const std::string cyrillic = "Щёлкните " + std::string(60, 'x') + " по карте мира, чтобы выбрать";
    const struct {
        std::string text;
        float wrap;
        int lines;
        bool cut;
    } cases[] = {{"Two\nlines", 378, 2, false}, {"Two\nlines", 378, 1, true}, {path, 378, 1, true},
                 {path, 378, 3, true},           {path, 660, 10, false},       {cyrillic, 120, 2, true}};
    for (const auto& c : cases) {
        const std::string fitted = OGL_fit_lines(c.text, c.wrap, c.lines, charset_regular);
        if (!c.cut) {
            EXPECT_EQ(fitted, c.text);
            continue;
        }
        const size_t ellipsis = fitted.find("…");
        ASSERT_NE(ellipsis, std::string::npos) << fitted;
        const std::string head = fitted.substr(0, ellipsis);
        const std::string tail = fitted.substr(ellipsis + std::string("…").size());
        EXPECT_EQ(c.text.compare(0, head.size(), head), 0) << "the start is kept: " << fitted;
        EXPECT_EQ(c.text.compare(c.text.size() - tail.size(), tail.size(), tail), 0) << "the end is kept: " << fitted;
        // Counted in characters, so that the check holds whatever the face's widths.
        EXPECT_TRUE(characters(head) > 0 && characters(tail) > 0) << "a side is dropped: " << fitted;
        EXPECT_LE(std::abs(characters(head) - characters(tail)), 1) << "the cut is off the middle: " << fitted;
        EXPECT_EQ(OGL_count_lines(fitted, c.wrap, charset_regular), c.lines) << fitted;
    }
    EXPECT_EQ(OGL_fit_lines(path, 378, 0, charset_regular), "");
}

// Texts one under another: each stops above the next one's first line, an
// empty one lends its room to the text above, the last stops at the floor.
TEST(FontFitting, StackedTextsStayOffEachOthersLinesAndAboveTheFloor)
{
    const std::string long_text(900, 'm');
    std::string texts[] = {long_text, "", long_text, "short", long_text};
    const float baselines[] = {205, 165, 125, 85, 45};
    OGL_fit_stacked(texts, baselines, 5, 25, 378, charset_regular);
    const int lines[] = {8, 0, 4, 1, 3};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(OGL_count_lines(texts[i], 378, charset_regular), lines[i]) << i;
    EXPECT_EQ(texts[3], "short");
}
