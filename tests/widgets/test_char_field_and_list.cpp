// The character field's alphabet and keys; the list's scrolling, rows
// under the mouse and type-ahead on the frame clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/diag/frame_clock.h"
#include "widgets/char_field.h"
#include "widgets/key_queue.h"
#include "widgets/list_search.h"

TEST(CharField, ArrowsStepThroughTheAlphabetAndWrap)
{
    EXPECT_EQ(chars_step('A', -1), '9') << "upper arrow on A";
    EXPECT_EQ(chars_step('Z', 1), '-') << "lower arrow on Z";
    EXPECT_EQ(chars_step('-', 1), ' ') << "lower arrow on -";
    EXPECT_EQ(chars_step(' ', -1), '-') << "upper arrow on a blank";
    EXPECT_EQ(chars_step('q', -1), 'P');
    EXPECT_EQ(chars_step('q', 1), 'R');
    EXPECT_EQ(chars_step('#', -1), ' ') << "outside the alphabet counts as 0";
    EXPECT_EQ(chars_step('#', 1), '1');
    EXPECT_EQ(chars_step('\0', 1), '1');
}

TEST(CharField, TypingFillsCellsInCapitalsAndWrapsToTheFirst)
{
    char cells[4] = {'x', 'x', 'x', 'x'};
    int hot = 0;
    for (int c : {'a', 'b', '-', '1'}) chars_field_key(cells, 4, &hot, c, 0);
    EXPECT_EQ(std::string(cells, 4), "AB-1");
    EXPECT_EQ(hot, 0);
    chars_field_key(cells, 4, &hot, '*', 0);
    EXPECT_EQ(std::string(cells, 4), "AB-1") << "'*' is not in the alphabet";
    EXPECT_EQ(hot, 0);
    chars_field_key(cells, 4, &hot, '>', 112);
    EXPECT_EQ(std::string(cells, 4), "AB-1") << "F1 types nothing";
    chars_field_key(cells, 4, &hot, 0, BTN_vk_left);
    EXPECT_EQ(hot, 3);
    chars_field_key(cells, 4, &hot, 0, BTN_vk_up);
    EXPECT_EQ(cells[3], '0');
    chars_field_key(cells, 4, &hot, 0, BTN_vk_down);
    chars_field_key(cells, 4, &hot, 0, BTN_vk_down);
    EXPECT_EQ(cells[3], '2');
    chars_field_key(cells, 4, &hot, 0, BTN_vk_right);
    EXPECT_EQ(hot, 0);
}

TEST(ListSearch, ScrollingFollowsTheSelection)
{
    EXPECT_EQ(list_page(220.0f), 10);
    EXPECT_EQ(list_page(0.0f), -1);
    int centre = 10, selection = 20;
    list_step(&centre, &selection, 1, 10);
    EXPECT_EQ(selection, 21);
    EXPECT_EQ(centre, 11) << "Down on the last visible row moves the view one row";
    selection = 1;
    list_step(&centre, &selection, -1, 10);
    EXPECT_EQ(centre, 10);
    EXPECT_EQ(list_row_at(10, 100.0f, 100.0f), 10);
    EXPECT_EQ(list_row_at(10, 100.0f, 115.0f), 8) << "1.5 rows up rounds away from zero";
    EXPECT_EQ(list_row_at(10, 100.0f, 84.0f), 12);
}

namespace {

unsigned long long driven_now = 0;
unsigned long long driven_clock() { return driven_now; }

void advance(float seconds)
{
    driven_now += static_cast<unsigned long long>(seconds * 1e6f);
    xtim.xtim_update();
}

}  // namespace

TEST(ListSearch, TypeAheadFindsDogAndStartsOverAfterASecond)
{
    xtim_set_clock(driven_clock);
    advance(0.1f);
    std::vector<std::string> names = {"Apple", "dog", "Door", "Dot", "orange"};
    int centre = 0, selection = 0;
    const auto key = [&](char c) {
        list_type_ahead_key(c, xtim.real_time, 0, 4, BTN_name_from_vector, &names, &centre,
                            &selection, 10);
    };
    key('d');
    EXPECT_EQ(selection, 1);
    advance(0.5f);
    key('o');
    EXPECT_EQ(selection, 1) << "\"do\" finds dog before Door";
    advance(0.5f);
    key('o');
    EXPECT_EQ(selection, 2) << "\"doo\" within a second of the last letter";
    advance(2.0f);
    key('o');
    EXPECT_EQ(list_type_ahead.type_ahead, "o") << "after a pause the search starts over";
    EXPECT_EQ(selection, 4);
    advance(0.2f);
    key('x');
    EXPECT_EQ(selection, 4) << "no match leaves the selection";
    xtim_set_clock(nullptr);
}

TEST(ListSearch, TypeAheadKeepsLettersBeyondAsciiWhole)
{
    std::vector<std::string> names = {"\xC3\x84rger", "\xC3\x84pfel", "Zug"};  // Ärger, Äpfel
    int centre = 0, selection = 2;
    list_type_ahead_key(0xC4, 100.0f, 0, 2, BTN_name_from_vector, &names, &centre, &selection, 10);
    EXPECT_EQ(selection, 0);
    list_type_ahead_key('p', 100.5f, 0, 2, BTN_name_from_vector, &names, &centre, &selection, 10);
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(list_type_ahead.type_ahead, "\xC3\x84p");
}

TEST(ListSearch, VectorCallbacksRefuseIndicesOutsideTheVector)
{
    std::vector<std::string> names = {"a"};
    std::vector<int> types = {1};
    EXPECT_EQ(BTN_name_from_vector(0, &names), "a");
    EXPECT_EQ(BTN_name_from_vector(1, &names), "");
    EXPECT_EQ(BTN_type_from_vector(-1, &types), 0);
}
