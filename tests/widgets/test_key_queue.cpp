// A widget kind's key queue as the fields empty it.
#include <gtest/gtest.h>

#include <string>

#include "widgets/key_queue.h"

namespace {

void queue_key(BTN_key_queue& q, int id, int character, int vkey = 0, int flags = 8)
{
    const int n = q.ctr_slot++;
    q.char_slot[n] = character;
    q.vkey_slot[n] = vkey;
    q.flag_slot[n] = flags;
    q.id_slot[n] = id;
}

std::string take(BTN_key_queue& q, int id)
{
    std::string got;
    BTN_take_keys(q, id, [&](int c, int, int) { got += static_cast<char>(c); });
    return got;
}

}  // namespace

TEST(KeyQueue, AFieldTakesItsOwnKeysInOrderAndReleasesUnseen)
{
    BTN_key_queue q;
    queue_key(q, 7, 'a');
    queue_key(q, 9, 'x');
    queue_key(q, 7, 'a', 65, 16);
    queue_key(q, 7, 'b');
    EXPECT_EQ(take(q, 7), "ab");
    ASSERT_EQ(q.ctr_slot, 1) << "another field's key waits for its field";
    EXPECT_EQ(q.id_slot[0], 9);
    EXPECT_EQ(q.id_slot[1], 0);
    EXPECT_EQ(take(q, 9), "x");
    EXPECT_EQ(q.ctr_slot, 0);
}

TEST(KeyQueue, ACountBeyondTheArraysIsNeverFollowed)
{
    BTN_key_queue q;
    queue_key(q, 3, 'z');
    q.ctr_slot = 1000;
    EXPECT_EQ(take(q, 3), "z");
    EXPECT_EQ(q.ctr_slot, 0);
    q.ctr_slot = -5;
    EXPECT_EQ(take(q, 3), "");
    EXPECT_EQ(q.ctr_slot, 0);
}

TEST(KeyQueue, WidgetIdsTruncateTowardZero)
{
    EXPECT_EQ(BTN_widget_id(10.9f, 20.7f), 10 * 8192 + 20);
    EXPECT_EQ(BTN_widget_id(-1.5f, 3.0f), -1 * 8192 + 3);
}
