#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/threads/message_queue.h"

namespace {

using clock_type = std::chrono::steady_clock;

void* item(long n) { return reinterpret_cast<void*>(n); }

int readers_of(UTL_message_queue* q)
{
    pthread_mutex_lock(&q->mutex);
    int n = q->readers;
    pthread_mutex_unlock(&q->mutex);
    return n;
}

// Waits (briefly) until `n` readers block on the queue.
void wait_for_readers(UTL_message_queue* q, int n)
{
    auto until = clock_type::now() + std::chrono::seconds(10);
    while (readers_of(q) < n && clock_type::now() < until) std::this_thread::yield();
    ASSERT_EQ(readers_of(q), n);
}

class MessageQueue : public testing::Test {
protected:
    void SetUp() override { UTL_message_queue_create(&q); }
    void TearDown() override { UTL_message_queue_destroy(q); }
    UTL_message_queue* q = nullptr;
};

}  // namespace

TEST_F(MessageQueue, PollTakesTheOldestOrNothingWithoutCountingAReader)
{
    EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);
    EXPECT_EQ(q->readers, 0);
    UTL_message_queue_write(q, item(1));
    UTL_message_queue_write(q, item(2));
    EXPECT_EQ(UTL_message_queue_read(q, 0), item(1));
    EXPECT_EQ(UTL_message_queue_read(q, -1), item(2)) << "waiting read of a full queue returns at once";
    EXPECT_EQ(q->readers, 0);
}

TEST_F(MessageQueue, WaitingReadReturnsANullItemWrittenByAnotherThread)
{
    std::thread writer([&] {
        wait_for_readers(q, 1);
        UTL_message_queue_write(q, nullptr);
    });
    EXPECT_EQ(UTL_message_queue_read(q, -1), nullptr);
    writer.join();
    EXPECT_TRUE(q->items.empty()) << "the null item was taken, not left";
}

TEST_F(MessageQueue, TimedReadGivesNullAfterTheTimeoutAndLowersTheReaderCount)
{
    auto start = clock_type::now();
    EXPECT_EQ(UTL_message_queue_read(q, 30), nullptr);
    EXPECT_GE(clock_type::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(q->readers, 0);
}

TEST_F(MessageQueue, TimedReadReturnsAnArrivingItemAtOnce)
{
    std::thread writer([&] {
        wait_for_readers(q, 1);
        UTL_message_queue_write(q, item(7));
    });
    // A read whose time ran out gives null, never the item.
    EXPECT_EQ(UTL_message_queue_read(q, 60000), item(7));
    writer.join();
}

TEST(MessageQueueDeadline, CarriesNanosecondsIntoSeconds)
{
    timespec at = UTL_message_queue_deadline({43200, 700000000L}, 1500);
    EXPECT_EQ(at.tv_sec, 43202);
    EXPECT_EQ(at.tv_nsec, 200000000L);
    at = UTL_message_queue_deadline({43200, 500000L}, 999);
    EXPECT_EQ(at.tv_sec, 43200);
    EXPECT_EQ(at.tv_nsec, 999500000L);
}

TEST_F(MessageQueue, EachWriteWakesOneOfSeveralWaitingReaders)
{
    std::atomic<int> done{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 2; ++i)
        readers.emplace_back([&] {
            UTL_message_queue_read(q, -1);
            ++done;
        });
    wait_for_readers(q, 2);
    UTL_message_queue_write(q, item(1));
    while (done.load() < 1) std::this_thread::yield();
    EXPECT_EQ(readers_of(q), 1) << "the second reader goes on waiting";
    UTL_message_queue_write(q, item(2));
    for (auto& r : readers) r.join();
    EXPECT_EQ(done.load(), 2);
}

TEST_F(MessageQueue, MultiWriteWakesOneReaderPerItemAndLeavesTheRest)
{
    std::atomic<int> woken{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 5; ++i)
        readers.emplace_back([&] {
            if (UTL_message_queue_read(q, -1) != item(-1)) ++woken;
        });
    wait_for_readers(q, 5);
    void* three[] = {item(1), item(2), item(3)};
    UTL_message_queue_multi_write(q, three, 3, 0);
    while (woken.load() < 3) std::this_thread::yield();
    EXPECT_EQ(readers_of(q), 2);
    void* stops[] = {item(-1), item(-1)};
    UTL_message_queue_multi_write(q, stops, 2, 0);
    for (auto& r : readers) r.join();
    EXPECT_EQ(woken.load(), 3);

    // One reader, four items: it takes the first, three stay.
    std::thread one([&] { EXPECT_EQ(UTL_message_queue_read(q, -1), item(1)); });
    wait_for_readers(q, 1);
    void* four[] = {item(1), item(2), item(3), item(4)};
    UTL_message_queue_multi_write(q, four, 4, 0);
    one.join();
    EXPECT_EQ(q->items.size(), 3u);
}

TEST_F(MessageQueue, FrontMultiWriteGoesAheadInArrayOrder)
{
    UTL_message_queue_write(q, item(10));
    UTL_message_queue_write(q, item(11));
    void* ab[] = {item(1), item(2)};
    UTL_message_queue_multi_write(q, ab, 2, 1);
    UTL_message_queue_multi_write(q, ab, 2, 0);
    UTL_message_queue_multi_write(q, ab, 0, 1);
    std::vector<long> order;
    while (void* i = UTL_message_queue_read(q, 0)) order.push_back(reinterpret_cast<long>(i));
    EXPECT_EQ(order, (std::vector<long>{1, 2, 10, 11, 1, 2}));
}

TEST_F(MessageQueue, EditRewritesTheContentsInOneStep)
{
    for (long i = 1; i <= 3; ++i) UTL_message_queue_write(q, item(i));
    UTL_message_queue_edit(q, [](std::vector<void*>& items, void* ctx) {
        EXPECT_EQ(ctx, item(99));
        items.erase(items.begin());
        items.push_back(item(4));
    }, item(99));
    EXPECT_EQ(UTL_message_queue_read(q, 0), item(2));
    UTL_message_queue_edit(q, [](std::vector<void*>& items, void*) { items.clear(); }, nullptr);
    EXPECT_TRUE(q->items.empty());
}

TEST(MessageQueueDestroy, DropsItemsButNotWhatTheyPointTo)
{
    UTL_message_queue* q;
    UTL_message_queue_create(&q);
    int target = 5;
    UTL_message_queue_write(q, &target);
    UTL_message_queue_destroy(q);
    EXPECT_EQ(target, 5);
}

TEST_F(MessageQueue, TimedOutReaderHandsTheWakeUpToAReaderStillWaiting)
{
    // An edit wakes nobody, so the item it adds sits beside a reader that
    // waits forever.  The timed reader returns null when its deadline
    // passes, but it must not leave the other one asleep next to the item.
    std::atomic<bool> patient_got{false};
    std::thread patient([&] {
        EXPECT_EQ(UTL_message_queue_read(q, -1), item(5));
        patient_got = true;
    });
    wait_for_readers(q, 1);
    // The item must come while the timed reader still waits: the edit
    // holds the queue's lock, so it sees for sure whether it does.  A
    // reader whose time ran out first is tried again with twice the time.
    struct edit_at {
        UTL_message_queue* q;
        bool both_waiting = false;
    } edit{q};
    for (int timeout = 50; !edit.both_waiting; timeout *= 2) {
        std::atomic<bool> hasty_back{false};
        std::thread hasty([&] {
            EXPECT_EQ(UTL_message_queue_read(q, timeout), nullptr);
            hasty_back = true;
        });
        while (readers_of(q) < 2 && !hasty_back) std::this_thread::yield();
        UTL_message_queue_edit(q, [](std::vector<void*>& items, void* context) {
            auto* at = static_cast<edit_at*>(context);
            at->both_waiting = at->q->readers == 2;
            if (at->both_waiting) items.push_back(item(5));
        }, &edit);
        hasty.join();
    }
    auto until = clock_type::now() + std::chrono::seconds(10);
    while (!patient_got.load() && clock_type::now() < until) std::this_thread::yield();
    bool stranded = !patient_got.load();
    if (stranded) UTL_message_queue_write(q, item(5));  // free it to fail cleanly
    patient.join();
    EXPECT_FALSE(stranded) << "the waiting reader slept beside a queued item";
}
