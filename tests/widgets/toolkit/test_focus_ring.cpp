#include <gtest/gtest.h>

#include "main_window_frames.h"
#include "widgets/focus_ring.h"

namespace {

// One widget kind's queues, as the fields keep them.
struct queues {
    int chars[64], vkeys[64], flags[64], ids[64];
    int count = 0;
    int join(int id, int mask, int grab = 0)
    {
        return BTN_register_focus(id, chars, vkeys, flags, ids, &count, 64, mask, grab);
    }
};

constexpr int text_mask = 500, number_mask = 208, down = 8, up = 16, shift = 1;

class focus_ring_test : public main_window_frames {
protected:
    queues q;
    void three_widgets()
    {
        BTN_begin_focus_ring();
        q.join(11, text_mask);
        q.join(22, text_mask);
        q.join(33, text_mask);
    }
};

TEST_F(focus_ring_test, TabWithNothingToFocusGoesOnToTheBindings)
{
    EXPECT_EQ(BTN_dispatch_to_focus(9, 9, down), 0);
    EXPECT_EQ(focus_id, 0);
}

TEST_F(focus_ring_test, TabWalksTheRingInDrawingOrderAndWraps)
{
    three_widgets();
    EXPECT_EQ(BTN_dispatch_to_focus(9, 9, down), 1);
    EXPECT_EQ(focus_id, 11);
    EXPECT_EQ(BTN_dispatch_to_focus(9, 9, down), 1);
    EXPECT_EQ(focus_id, 22);
    BTN_dispatch_to_focus(9, 9, down);
    BTN_dispatch_to_focus(9, 9, down);
    EXPECT_EQ(focus_id, 11) << "Tab on the last goes to the first";
    BTN_dispatch_to_focus(9, 9, down | shift);
    EXPECT_EQ(focus_id, 33) << "Shift+Tab on the first goes to the last";
    EXPECT_EQ(BTN_dispatch_to_focus(9, 9, up), 0) << "a release never moves the focus";
    EXPECT_EQ(focus_id, 33);
    EXPECT_EQ(q.count, 0);
}

TEST_F(focus_ring_test, AWidgetThatTakesTabGetsItQueued)
{
    q.join(7, text_mask | 1, 1);
    EXPECT_EQ(BTN_dispatch_to_focus(9, 9, down), 1);
    EXPECT_EQ(focus_id, 7);
    ASSERT_EQ(q.count, 1);
    EXPECT_EQ(q.vkeys[0], 9);
    EXPECT_EQ(q.ids[0], 7);
}

TEST_F(focus_ring_test, TextFieldMaskQueuesTypingButLetsReturnAndEscapeThrough)
{
    EXPECT_EQ(q.join(5, text_mask, 1), 1);
    EXPECT_EQ(BTN_dispatch_to_focus(13, 13, down), 0);
    EXPECT_EQ(BTN_dispatch_to_focus(27, 27, down), 0);
    EXPECT_EQ(BTN_dispatch_to_focus(13, 188, down), 0) << "Numpad-Enter falls to its character";
    const int typed[][2] = {{'a', 65}, {'7', 55}, {'+', 107}, {0x44F, 200}, {8, 8}};
    for (const auto& k : typed) EXPECT_EQ(BTN_dispatch_to_focus(k[0], k[1], down), 1) << k[0];
    ASSERT_EQ(q.count, 5);
    EXPECT_EQ(q.chars[3], 0x44F);
    EXPECT_EQ(q.flags[4], down);
}

TEST_F(focus_ring_test, NumberFieldMaskRefusesLetters)
{
    q.join(5, number_mask, 1);
    EXPECT_EQ(BTN_dispatch_to_focus('x', 88, down), 0);
    EXPECT_EQ(BTN_dispatch_to_focus('4', 52, down), 1);
    EXPECT_EQ(BTN_dispatch_to_focus('-', 177, down), 1);
    EXPECT_EQ(BTN_dispatch_to_focus(28, 37, down), 1) << "arrows are navigation";
    EXPECT_EQ(BTN_dispatch_to_focus(8, 8, down), 0) << "no Delete class";
    EXPECT_EQ(q.count, 3);
}

TEST_F(focus_ring_test, KeyClassesByVirtualKeyThenCharacter)
{
    EXPECT_EQ(BTN_key_class_of('a', 187), BTN_class_return);
    EXPECT_EQ(BTN_key_class_of('P', 36), BTN_class_navigation) << "Home's stray character is ignored";
    EXPECT_EQ(BTN_key_class_of(' ', 32), BTN_class_printable);
    EXPECT_EQ(BTN_key_class_of(0xE9, 300), BTN_class_printable);
    EXPECT_EQ(BTN_key_class_of(1, 200), BTN_class_other);
}

TEST_F(focus_ring_test, FocusOnAWidgetNoLongerDrawnIsDropped)
{
    q.join(5, text_mask, 1);
    BTN_begin_focus_ring();
    q.join(6, text_mask);
    EXPECT_EQ(BTN_dispatch_to_focus('a', 65, down), 0);
    EXPECT_EQ(focus_id, 0);
    q.join(5, text_mask, 1);
    BTN_begin_focus_ring();
    q.join(6, text_mask);
    EXPECT_EQ(BTN_dispatch_to_focus(9, 9, down), 1);
    EXPECT_EQ(focus_id, 6);
}

TEST_F(focus_ring_test, EveryKeyGoesPastTheRingWhileTheAlertIsUp)
{
    q.join(5, text_mask | 1, 1);
    mnw.current_window = 994;
    EXPECT_EQ(BTN_dispatch_to_focus('a', 65, down), 0);
    EXPECT_EQ(BTN_dispatch_to_focus(9, 9, down), 0);
    mnw.current_window = 0;
}

TEST_F(focus_ring_test, KeysBeyondAFullQueueWaitForTheNextFrameInOrder)
{
    q.join(5, text_mask, 1);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(BTN_dispatch_to_focus(1000 + i, 200, down), 1);
    EXPECT_EQ(q.count, 64);
    EXPECT_EQ(focus_id, 5);
    // The widget reads its queue; on the next frame the rest arrives.
    q.count = 0;
    BTN_begin_focus_ring();
    q.join(5, text_mask);
    ASSERT_EQ(q.count, 36);
    EXPECT_EQ(q.chars[0], 1064);
    EXPECT_EQ(q.chars[35], 1099);
    BTN_dispatch_to_focus('z', 90, down);
    EXPECT_EQ(q.chars[36], 'z');
}

TEST_F(focus_ring_test, WaitingKeysOfAWidgetThatLeftTheScreenAreDropped)
{
    q.join(5, text_mask, 1);
    for (int i = 0; i < 70; ++i) BTN_dispatch_to_focus('a', 65, down);
    q.count = 0;
    BTN_begin_focus_ring();
    q.join(6, text_mask);  // field 5 is gone
    BTN_dispatch_to_focus('b', 66, down);
    BTN_begin_focus_ring();
    q.join(5, text_mask, 1);
    EXPECT_EQ(q.count, 0) << "nothing of the old screen arrives later";
}

TEST_F(focus_ring_test, KeysOfAFieldThatLeftTheScreenMakeRoomWhenTheQueueIsFull)
{
    q.join(5, text_mask, 1);
    for (int i = 0; i < 64; ++i) BTN_dispatch_to_focus('a', 65, down);
    // The screen changes: field 5 is gone, field 9 of the same kind is new.
    BTN_begin_focus_ring();
    q.join(9, text_mask, 1);
    EXPECT_EQ(BTN_dispatch_to_focus('b', 66, down), 1);
    ASSERT_EQ(q.count, 1);
    EXPECT_EQ(q.ids[0], 9);
    EXPECT_EQ(q.chars[0], 'b');
}

TEST_F(focus_ring_test, SmallCalls)
{
    EXPECT_EQ(BTN_no_focus_yet(), 1);
    BTN_window_has_focus();
    EXPECT_EQ(BTN_no_focus_yet(), 0);
    three_widgets();
    EXPECT_EQ(wind_focus, 0);
    BTN_focus_any();
    EXPECT_EQ(focus_id, 11);
    std::string clip = "kept";
    BTN_text_to_clipboard("x");
    EXPECT_EQ(BTN_is_text_on_clipboard(), 0);
    EXPECT_EQ(BTN_text_from_clipboard(clip), 0);
    EXPECT_EQ(clip, "kept");
}

}  // namespace
