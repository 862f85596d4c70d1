#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/threads/worker_threads.h"

namespace {

class noting_task : public UTL_work_task {
public:
    noting_task(std::vector<int>& order, int tag) : order_(order), tag_(tag) {}
    void do_it() override { order_.push_back(tag_); }
    int check_error(std::string& message) override
    {
        message = tag_ % 2 ? "odd" : "";
        return tag_ % 2;
    }

private:
    std::vector<int>& order_;
    int tag_;
};

}  // namespace

TEST(WorkerThreads, OneThreadRunsTasksOneAfterAnotherInQueueOrder)
{
    std::vector<int> order;  // touched by the one worker only, then read after the drain
    UTL_worker_threads group(1, 30);
    for (int i = 0; i < 30; ++i) group.enqueue_task(new noting_task(order, i));
    std::vector<int> errors;
    while (UTL_work_task* done = group.wait_retired_tasks()) {
        std::string message;
        if (done->check_error(message)) errors.push_back(1);
        delete done;
    }
    std::vector<int> expected;
    for (int i = 0; i < 30; ++i) expected.push_back(i);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(errors.size(), 15u);
    EXPECT_EQ(group.count_total_tasks(), 0);
}

TEST(WorkerThreads, SlotsFillWithEnqueuesAndFreeUpWhenATaskIsCollected)
{
    std::vector<int> order;
    UTL_worker_threads group(1, 2);
    EXPECT_EQ(group.check_retired_tasks(), nullptr);
    EXPECT_EQ(group.count_total_tasks(), 0) << "an empty poll changes nothing";
    EXPECT_EQ(group.wait_retired_tasks(), nullptr) << "nothing out: no waiting";
    group.enqueue_task(new noting_task(order, 0));
    EXPECT_TRUE(group.has_free_slot());
    group.enqueue_task(new noting_task(order, 1));
    EXPECT_FALSE(group.has_free_slot());
    delete group.wait_retired_tasks();
    EXPECT_TRUE(group.has_free_slot());
    delete group.wait_retired_tasks();
}

TEST(WorkerThreads, ManyThreadsBringEveryTaskBack)
{
    struct adder : UTL_work_task {
        std::atomic<int>* sum;
        void do_it() override { ++*sum; }
        int check_error(std::string&) override { return 0; }
    };
    std::atomic<int> sum{0};
    {
        UTL_worker_threads group(4, 16);
        for (int i = 0; i < 100; ++i) {
            auto* task = new adder;
            task->sum = &sum;
            group.enqueue_task(task);
        }
        int back = 0;
        while (UTL_work_task* done = group.wait_retired_tasks()) {
            delete done;
            ++back;
        }
        EXPECT_EQ(back, 100);
    }
    EXPECT_EQ(sum.load(), 100);
}

// A worker whose join fails may still run on its stack: the group leaves
// the stack where it is.  One detaches itself in its task and waits there
// until its group is gone; had its stack gone with the group, it would end
// the process as it goes on.
TEST(WorkerThreads, AThreadWhoseJoinFailedKeepsItsStack)
{
    struct detaching : UTL_work_task {
        std::atomic<int> step{0};  // 1 detached, 2 its group gone, 3 ending
        void do_it() override
        {
            ::pthread_detach(::pthread_self());
            for (step = 1; step < 2;) ::sched_yield();
            step = 3;
            ::pthread_exit(nullptr);  // never back into the group
        }
        int check_error(std::string&) override { return 0; }
    };
    EXPECT_EXIT(
        {
            auto* task = new detaching;
            auto* group = new UTL_worker_threads(2, 4);
            group->enqueue_task(task);
            while (task->step < 1) ::sched_yield();
            delete group;
            for (task->step = 2; task->step < 3;) ::sched_yield();
            std::_Exit(0);  // the group's queues stay, as they must: no leak check
        },
        testing::ExitedWithCode(0), "");
}
