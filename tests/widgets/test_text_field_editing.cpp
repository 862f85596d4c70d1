// The text field's binding to the engine, headless: real glyph widths from
// the regular face, keys as the focus ring queues them.
#include <gtest/gtest.h>

#include "widgets/text_field.h"
#include "widgets/utf8_edit.h"

namespace {

using sel_t = std::pair<int, int>;

// The shared engine bound to one field at (100, 50), 60 units wide.
struct bound_field {
    explicit bound_field(const std::string& initial, int by_click = 0) : text(initial)
    {
        rec = OGLE_Create(&OGLE_cbs, nullptr);
        text_field_bind(rec, &text, 100.0f, 50.0f, 60.0f, 1, by_click);
    }
    ~bound_field() { OGLE_Destroy(rec); }
    sel_t selection() const { return {rec->sel_start, rec->sel_end}; }
    void key(int character, int vkey = 0, int flags = 8) { text_field_key(rec, character, vkey, flags); }
    void type(const std::u32string& chars)
    {
        for (char32_t c : chars) key(static_cast<int>(c));
    }

    std::string text;
    OGLE_Rec* rec;
};

}  // namespace

TEST(TextFieldEditing, FocusWithoutAClickSelectsAllAndTypingReplacesIt)
{
    bound_field f("proxy.example");
    EXPECT_EQ(f.selection(), sel_t(0, 13));
    OGLE_edit = 0;
    f.type(U"x");
    EXPECT_EQ(f.text, "x");
    EXPECT_EQ(f.selection(), sel_t(1, 1));
    EXPECT_EQ(OGLE_edit, 1);
}

TEST(TextFieldEditing, AClickPlacesTheCaretAtTheClickedCharacter)
{
    bound_field f("abcdef", 1);
    EXPECT_EQ(f.selection(), sel_t(0, 0)) << "focused by a click: nothing selected";
    const float to_c = OGLE_MeasureString(f.rec, "ab", "ab" + 2);
    const float c_width = OGLE_MeasureString(f.rec, "c", "c" + 1);
    OGLE_Click(f.rec, 100.0f + to_c + c_width * 0.25f, 52.0f, 0);
    EXPECT_EQ(f.selection(), sel_t(2, 2)) << "the left part of c: before it";
    OGLE_Click(f.rec, 100.0f + to_c + c_width * 0.75f, 52.0f, 0);
    EXPECT_EQ(f.selection(), sel_t(3, 3)) << "the right part of c: after it";
}

TEST(TextFieldEditing, AccentedAndCyrillicCharactersAreWholeCharacters)
{
    bound_field f("", 1);
    f.type(U"d\u00e9j\u00e0 \u043f\u0440\u0438\u20ac");
    EXPECT_EQ(f.text, "d\xC3\xA9j\xC3\xA0 \xD0\xBF\xD1\x80\xD0\xB8\xE2\x82\xAC");
    f.key(28, 37);
    EXPECT_EQ(f.selection(), sel_t(13, 13)) << "left over the three-byte euro sign";
    f.key(8, 8);
    EXPECT_EQ(f.text, "d\xC3\xA9j\xC3\xA0 \xD0\xBF\xD1\x80\xE2\x82\xAC");
    EXPECT_EQ(f.selection(), sel_t(11, 11));
    f.key(28, 37, 9);
    EXPECT_EQ(f.selection(), sel_t(9, 11)) << "Shift+Left selects one whole character";
}

TEST(TextFieldEditing, HomeEndAndDeleteDoWhatTheySay)
{
    bound_field f("hello", 1);
    OGLE_SetSelection(f.rec, 2, 2);
    f.key('P', 36);  // Home: its character is only the keysym's low bits
    EXPECT_EQ(f.selection(), sel_t(0, 0));
    f.key('W', 35);
    EXPECT_EQ(f.selection(), sel_t(5, 5));
    f.key('P', 36, 9);
    EXPECT_EQ(f.selection(), sel_t(0, 5)) << "Shift+Home selects back to the start";
    EXPECT_EQ(f.rec->caret_at_end, 0);
    f.key('W', 35, 9);
    EXPECT_EQ(f.selection(), sel_t(5, 5)) << "Shift+End moves the active start to the end";
    f.key('P', 36);
    f.key(127, 46);
    EXPECT_EQ(f.text, "ello");
    EXPECT_EQ(f.selection(), sel_t(0, 0));
    f.key('W', 35);
    f.key(127, 46);
    EXPECT_EQ(f.text, "ello") << "Delete at the end deletes nothing";
    OGLE_SetSelection(f.rec, 1, 3);
    f.key(127, 46);
    EXPECT_EQ(f.text, "eo");
    EXPECT_EQ(f.selection(), sel_t(1, 1));
}

TEST(TextFieldEditing, KeysThatTypeNoCharacterChangeNothing)
{
    bound_field f("abc", 1);
    OGLE_edit = 0;
    f.key('>', 112);   // F1
    f.key('c', 45);    // Insert
    f.key('U', 33);    // Page Up
    f.key(1, 65, 12);  // Control+A
    f.key(0x1B, 190);  // a control byte from an unknown key
    f.key(0x7F, 190);
    f.key(0x110000);
    f.key(0xD800);
    EXPECT_EQ(f.text, "abc");
    EXPECT_EQ(OGLE_edit, 0);
}

TEST(TextFieldEditing, TypingPastTheBoxScrollsAndHomeScrollsBack)
{
    bound_field f("", 1);
    f.type(U"wwwwwwwwwwwwwwwwwwww");
    EXPECT_GT(OGLE_dx, 0.0f);
    const float caret_x = 100.0f - OGLE_dx + OGLE_MeasureString(f.rec, f.text.data(), f.text.data() + f.text.size());
    EXPECT_NEAR(caret_x, 160.0f, 0.01f) << "the caret sits at the box's right edge";
    f.key('P', 36);
    EXPECT_FLOAT_EQ(OGLE_dx, 0.0f);
}

TEST(TextFieldEditing, TheLengthLimitNeverSplitsACharacter)
{
    bound_field f("ab", 1);
    OGLE_SetSelection(f.rec, 2, 2);
    f.type(U"\u00e9");
    text_field_cut(f.rec, 3);
    EXPECT_EQ(f.text, "ab");
    EXPECT_EQ(f.selection(), sel_t(2, 2));
    f.type(U"cd");
    text_field_cut(f.rec, 3);
    EXPECT_EQ(f.text, "abc") << "typed at the limit: inserted and cut again";
}

TEST(TextFieldCallbacks, Utf8SteppingOverTheBoundText)
{
    bound_field f("a\xE2\x82\xAC" "b");
    EXPECT_EQ(OGLE_MBCS_NextPos(f.rec, 1), 4);
    EXPECT_EQ(OGLE_MBCS_NextPos(f.rec, 5), 6) << "at the end: one further";
    EXPECT_EQ(OGLE_MBCS_PrevPos(f.rec, 4), 1);
    EXPECT_EQ(OGLE_MBCS_PrevPos(f.rec, 0), -1);
    EXPECT_EQ(OGLE_MBCS_PrevPos(f.rec, 3), 0) << "from inside a character: before it";
    EXPECT_EQ(OGLE_MBCS_Next(f.rec, f.text.data() + 2), f.text.data() + 4);
    const std::string words = "  two words";
    EXPECT_EQ(OGLE_WordBreak(f.rec, words.data(), words.data() + words.size()), words.data() + 5);
    float visible[4], logical[4];
    OGLE_dx = 7.0f;
    OGLE_GetVisibleBounds(f.rec, visible);
    OGLE_GetLogicalBounds(f.rec, logical);
    EXPECT_FLOAT_EQ(visible[1], 48.0f);
    EXPECT_FLOAT_EQ(visible[3], 59.0f);
    EXPECT_FLOAT_EQ(logical[0], 93.0f);
    EXPECT_FLOAT_EQ(logical[2], 160.0f + 1024.0f - 7.0f);
}

TEST(Utf8Edit, EncodingAndCutting)
{
    char out[4];
    EXPECT_EQ(utf8_encode(0x41, out), 1);
    EXPECT_EQ(utf8_encode(0x7FF, out), 2);
    EXPECT_EQ(utf8_encode(0x800, out), 3);
    EXPECT_EQ(utf8_encode(0x10FFFF, out), 4);
    EXPECT_EQ(std::string(out, 4), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(utf8_encode(0x110000, out), 0);
    EXPECT_EQ(utf8_encode(0xDFFF, out), 0);
    EXPECT_EQ(utf8_cut_length("a\xE2\x82\xAC", 3), 1u);
    EXPECT_EQ(utf8_cut_length("a\xE2\x82\xAC", 4), 4u);
    EXPECT_EQ(utf8_cut_length("abc", 0), 0u);
}
