#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/threads/thread_layer.h"
#include "core/threads/threadpool.h"
#include "fake_gl_hooks.h"

namespace {

// Counts runs and deletions; deleted by the pool when `owned_by_pool`.
class counting_task : public UTL_pool_task {
public:
    counting_task(std::atomic<int>& runs, std::atomic<int>& deaths, bool owned_by_pool,
                  std::vector<int>* order = nullptr, int tag = 0)
        : runs_(runs), deaths_(deaths), owned_(owned_by_pool), order_(order), tag_(tag) {}
    ~counting_task() override { ++deaths_; }
    bool do_it() override
    {
        ++runs_;
        if (order_) order_->push_back(tag_);
        return owned_;
    }
    const char* get_debug_name() override { return "counting"; }

private:
    std::atomic<int>& runs_;
    std::atomic<int>& deaths_;
    bool owned_;
    std::vector<int>* order_;
    int tag_;
};

class ThreadPool : public testing::Test {
protected:
    void SetUp() override
    {
        THREAD_init();
        fake_gl::install(1);
    }
    void TearDown() override
    {
        THREAD_shutdown();
        fake_gl::uninstall();
    }
    std::atomic<int> runs{0}, deaths{0};
};

}  // namespace

TEST_F(ThreadPool, DeletesOnlyTasksThatSaySoAndRunsEverythingQueuedBeforeItGoes)
{
    counting_task kept(runs, deaths, false);
    {
        UTL_threadpool pool(3);
        EXPECT_EQ(pool.get_num_threads(), 3);
        for (int i = 0; i < 20; ++i) pool.queue_task(new counting_task(runs, deaths, true), 0);
        pool.queue_task(&kept, 0);
    }
    EXPECT_EQ(runs.load(), 21);
    EXPECT_EQ(deaths.load(), 20) << "each owned task deleted exactly once, the kept one not";
}

TEST_F(ThreadPool, WithoutThreadsOnlyHelpABitRunsTasksAndFrontOvertakes)
{
    std::vector<int> order;
    UTL_threadpool pool(0);
    pool.queue_task(new counting_task(runs, deaths, true, &order, 1), 0);
    pool.queue_task(new counting_task(runs, deaths, true, &order, 2), 1);
    pool.queue_task(UTL_POOL_SKIP, 0);
    EXPECT_TRUE(pool.help_a_bit());
    EXPECT_TRUE(pool.help_a_bit());
    EXPECT_TRUE(pool.help_a_bit()) << "the empty place counts as work done";
    EXPECT_FALSE(pool.help_a_bit());
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_EQ(deaths.load(), 2);
}

TEST_F(ThreadPool, ThreadsPassOverEmptyPlaces)
{
    {
        UTL_threadpool pool(2);
        pool.queue_task_multi(UTL_POOL_SKIP, 5, 0);
        pool.queue_task(new counting_task(runs, deaths, true), 0);
    }
    EXPECT_EQ(runs.load(), 1);
}

namespace {

struct sync_probe {
    std::atomic<int> callbacks{0};
    std::atomic<int> deleted{0};
};

class probed_sync : public UTL_threadpool_sync {
public:
    probed_sync(UTL_threadpool* pool, sync_probe& probe) : UTL_threadpool_sync(pool, "sync"), probe_(probe) {}
    ~probed_sync() override { ++probe_.deleted; }

private:
    sync_probe& probe_;
};

}  // namespace

TEST_F(ThreadPool, SyncRunsItsCallbackOnceAndIsDeletedOnceByTheLastToLeave)
{
    sync_probe probe;
    {
        UTL_threadpool pool(3);
        auto* sync = new probed_sync(&pool, probe);
        sync->queue_me([](void* p) { ++static_cast<sync_probe*>(p)->callbacks; }, &probe, 1, 0);
    }
    EXPECT_EQ(probe.callbacks.load(), 1);
    EXPECT_EQ(probe.deleted.load(), 1);

    sync_probe idle;
    UTL_threadpool none(0);
    probed_sync on_empty(&none, idle);
    on_empty.queue_me([](void* p) { ++static_cast<sync_probe*>(p)->callbacks; }, &idle, 0, 0);
    EXPECT_EQ(idle.callbacks.load(), 0) << "a pool without threads never meets";
}

TEST_F(ThreadPool, BarrierHaltsEveryThreadRunsChosenTasksAndRestarts)
{
    UTL_threadpool pool(3);
    UTL_threadpool_barrier barrier(&pool, "barrier");
    barrier.halt_pool_start(1);
    barrier.halt_pool_finish();
    // Halted: work for the pool waits, work for the barrier runs.
    pool.queue_task(new counting_task(runs, deaths, true), 0);
    for (int i = 0; i < 4; ++i) barrier.queue_task(new counting_task(runs, deaths, true));
    barrier.queue_task(UTL_POOL_SKIP);
    while (runs.load() < 4) std::this_thread::yield();
    EXPECT_EQ(runs.load(), 4);
    barrier.restart_pool();
    while (runs.load() < 5) std::this_thread::yield();
    EXPECT_EQ(deaths.load(), 5);

    // The same barrier again, then on a pool without threads: nothing to wait for.
    barrier.halt_pool_start(0);
    barrier.halt_pool_finish();
    barrier.restart_pool();
    UTL_threadpool none(0);
    UTL_threadpool_barrier idle(&none, "idle");
    idle.halt_pool_start(0);
    idle.halt_pool_finish();
    idle.restart_pool();
}
