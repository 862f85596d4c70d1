// The generator's drawing: polygon coverage, the fill rules, clipping, the
// UTF-8 walk, and captions that fit the skin's columns in every language.
#include <gtest/gtest.h>

#include <numeric>

#include "artwork.h"
#include "shapes.h"

using art::edge;
using art::fill_rule;

TEST(PolygonCoverage, AreaIsExactForFractionalEdges)
{
    // A rectangle from (1.25, 1.5) to (5.75, 3.5): 4.5 by 2.
    const auto cover = art::polygon_coverage(
        art::ring_edges({{1.25f, 1.5f}, {5.75f, 1.5f}, {5.75f, 3.5f}, {1.25f, 3.5f}}), 8, 5,
        fill_rule::even_odd, 4);
    EXPECT_NEAR(std::accumulate(cover.begin(), cover.end(), 0.0f), 9.0f, 1e-4);
    EXPECT_NEAR(cover[2 * 8 + 1], 0.75f, 1e-4);  // the left edge cuts a quarter off
    EXPECT_NEAR(cover[2 * 8 + 3], 1.0f, 1e-4);
    EXPECT_NEAR(cover[1 * 8 + 3], 0.5f, 1e-4);  // the top edge halves its row
}

TEST(PolygonCoverage, OverlapsFollowTheFillRule)
{
    // Two squares drawn the same way round, overlapping in the middle.
    auto edges = art::ring_edges({{0, 0}, {4, 0}, {4, 4}, {0, 4}});
    const auto second = art::ring_edges({{2, 0}, {6, 0}, {6, 4}, {2, 4}});
    edges.insert(edges.end(), second.begin(), second.end());
    const auto even_odd = art::polygon_coverage(edges, 6, 4, fill_rule::even_odd);
    const auto non_zero = art::polygon_coverage(edges, 6, 4, fill_rule::non_zero);
    EXPECT_FLOAT_EQ(even_odd[3], 0.0f);
    EXPECT_FLOAT_EQ(non_zero[3], 1.0f);
    EXPECT_FLOAT_EQ(even_odd[0], 1.0f);
}

TEST(PolygonCoverage, ShapesBeyondTheGridAreCutAtItsEdges)
{
    const auto cover = art::polygon_coverage(
        art::ring_edges({{-10, -10}, {30, -10}, {30, 30}, {-10, 30}}), 4, 4, fill_rule::non_zero);
    for (float v : cover) EXPECT_FLOAT_EQ(v, 1.0f);
    const auto none = art::polygon_coverage(art::ring_edges({{10, 0}, {20, 0}, {20, 4}}), 4, 4,
                                            fill_rule::non_zero);
    for (float v : none) EXPECT_FLOAT_EQ(v, 0.0f);
}

TEST(Canvas, DrawingStaysInsideTheClip)
{
    art::canvas c(10, 10);
    c.clip_to({2, 2, 5, 5});
    art::fill_rounded_rect(c, 0, 0, 10, 10, 0, art::solid(art::rgb8(255, 0, 0)));
    c.clip_off();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 2 && y < 5;
            EXPECT_EQ(c.at(x, y).a > 0, inside) << x << ", " << y;
        }
}

TEST(Canvas, OpaqueColoursSurviveTheWayToBytes)
{
    art::canvas c(1, 2);
    c.blend(0, 0, art::rgb8(68, 85, 105), 1.0f);
    c.put(0, 1, art::rgb8(144, 226, 187));
    const std::vector<unsigned char> bytes = c.bottom_up_bytes();  // row 1 first
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.end()),
              (std::vector<unsigned char>{144, 226, 187, 255, 68, 85, 105, 255}));
}

TEST(Utf8, DecodesAccentsAndCyrillicAndKeepsStrayBytes)
{
    EXPECT_EQ(art::decode_utf8("ZURÜCK"), U"ZURÜCK");
    EXPECT_EQ(art::decode_utf8("НАЗАД"), U"НАЗАД");
    // A lead byte without its continuation, and a lone continuation byte.
    EXPECT_EQ(art::decode_utf8(std::string("A\xC3") + "B"), std::u32string(U"A\u00C3B"));
    EXPECT_EQ(art::decode_utf8("\x80"), std::u32string(1, char32_t(0x80)));
}

TEST(SkinCaptions, EveryLanguageFitsItsColumnsAtOneReadableSize)
{
    art::text_raster text;
    std::string error;
    ASSERT_TRUE(text.open(NIMBREL_TEST_FONT_DIR "/DejaVuSans.ttf",
                          NIMBREL_TEST_FONT_DIR "/DejaVuSans-Bold.ttf", error))
        << error;
    for (int language = 0; language < sheet_layout::language_count; ++language) {
        const float size = art::skin_caption_size(language, text);
        EXPECT_GE(size, 11.0f) << art::skin_language_name(language);
        for (int k = 0; k < sheet_layout::caption_count; ++k) {
            const float columns = sheet_layout::btn_cuts[k + 1][language] -
                                  sheet_layout::btn_cuts[k][language];
            const float width = text.measure(art::skin_caption(language, k),
                                             art::face_style::bold, size);
            EXPECT_LE(width, columns - 8) << art::skin_caption(language, k);
            // The columns were cut for their captions: none is left half empty.
            EXPECT_GE(width, columns * 0.5f) << art::skin_caption(language, k);
        }
    }
}

TEST(SkinCaptions, AFontThatCannotBeOpenedIsNamed)
{
    art::text_raster text;
    std::string error;
    EXPECT_FALSE(text.open("/nonexistent/Regular.ttf", "/nonexistent/Bold.ttf", error));
    EXPECT_NE(error.find("/nonexistent/Regular.ttf"), std::string::npos) << error;
}
