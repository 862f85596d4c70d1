#include <gtest/gtest.h>

#include "alert_recorder.h"
#include "core/threads/thread_layer.h"
#include "core/threads/threadpool.h"
#include "core/threads/utl_thread.h"
#include "fake_gl_hooks.h"
#include "log_capture.h"
#include "test_support.h"

using testing_support::alert_recorder;

namespace {

// A started layer whose processor count comes from a fixture file.
class Workers : public testing::Test {
protected:
    void start(int processors, int threaded_ogl)
    {
        std::string info;
        for (int i = 0; i < processors; ++i) info += "model name\t: Test CPU\n";
        testing_support::write_file(dir / "cpuinfo", info);
        UTL_set_cpuinfo_path((dir / "cpuinfo").c_str());
        fake_gl::install(threaded_ogl);
        THREAD_init();
        THREAD_make_workers();
    }
    void TearDown() override
    {
        if (THREAD_is_inited()) THREAD_shutdown();
        UTL_set_cpuinfo_path(nullptr);
        fake_gl::uninstall();
    }

    testing_support::scratch_dir dir;
    log_capture log;
};

void* twice(void* n) { return reinterpret_cast<void*>(2 * reinterpret_cast<long>(n)); }

}  // namespace

TEST_F(Workers, OneProcessorGivesOneWorkerAndAPoolOfOneOnlyWithThreadedOpenGL)
{
    start(1, 1);
    EXPECT_EQ(worker_threads.size(), 1u);
    EXPECT_EQ(g_threadpool->get_num_threads(), 1);
    THREAD_shutdown();
    start(1, 0);
    EXPECT_EQ(g_threadpool->get_num_threads(), 0);
}

TEST_F(Workers, FourProcessorsGiveFourWorkersAndAPoolOfThree)
{
    start(4, 1);
    EXPECT_EQ(worker_threads.size(), 4u);
    EXPECT_EQ(worker_threads_id.size(), 4u);
    EXPECT_EQ(g_threadpool->get_num_threads(), 3);
    EXPECT_EQ(fake_gl::made.load(), 7) << "every worker and pool thread asks for a context";
    THREAD_shutdown();
    EXPECT_EQ(g_threadpool, nullptr);
    EXPECT_EQ(THREAD_is_inited(), 0);
    EXPECT_EQ(log.text(), "CPU count        : 4\nClean exit from threads.\n");
}

TEST_F(Workers, AFailedFirstLoaderContextWarnsOnceAndLeavesThePoolEmpty)
{
    fake_gl::install(1);
    fake_gl::can_make = false;
    testing_support::write_file(dir / "cpuinfo", "model name\nmodel name\nmodel name\n");
    UTL_set_cpuinfo_path((dir / "cpuinfo").c_str());
    THREAD_init();
    THREAD_make_workers();
    EXPECT_EQ(fake_gl::failures, 1);
    EXPECT_EQ(fake_gl::made.load(), 1) << "later workers do not ask again";
    EXPECT_EQ(worker_threads.size(), 3u);
    EXPECT_EQ(g_threadpool->get_num_threads(), 0);
}

TEST_F(Workers, AsyncCallsRunOnAWorkerAndAnswerDoneOnce)
{
    start(2, 0);
    THREAD_call* call = THREAD_run_async(twice, reinterpret_cast<void*>(21));
    EXPECT_EQ(call->cookie, 4u);
    EXPECT_EQ(THREAD_is_done(call, -1), 1);
    EXPECT_EQ(THREAD_is_done(call, 0), 0) << "a finished call answers 1 only once";
    EXPECT_EQ(THREAD_cleanup(call), reinterpret_cast<void*>(42));

    THREAD_call* again = THREAD_run_async(twice, reinterpret_cast<void*>(1));
    EXPECT_EQ(again, call) << "the record comes back from the free list";
    EXPECT_EQ(again->cookie, 8u);
    EXPECT_EQ(THREAD_is_done(again, -1), 1);
    THREAD_cleanup(again);
}

TEST_F(Workers, CookiesSkipZeroWhenTheCounterWraps)
{
    start(1, 0);
    next_cookie = 0xFFFFFFF8u;
    THREAD_call* a = THREAD_run_async(twice, nullptr);
    THREAD_call* b = THREAD_run_async(twice, nullptr);
    EXPECT_EQ(a->cookie, 0xFFFFFFFCu);
    EXPECT_EQ(b->cookie, 4u);
    EXPECT_EQ(THREAD_is_done(a, -1), 1);
    EXPECT_EQ(THREAD_is_done(b, -1), 1);
    THREAD_cleanup(a);
    THREAD_cleanup(b);
}

TEST_F(Workers, CleanupOfACallNotReportedDoneIsFatal)
{
    start(1, 0);
    alert_recorder alerts;
    THREAD_call* call = THREAD_run_async(twice, nullptr);
    THREAD_cleanup(call);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line1, "Thread cleanup called on not-done call.");
    EXPECT_EQ(alerts.alerts()[0].level, 2);
    EXPECT_EQ(THREAD_is_done(call, -1), 1);
    THREAD_cleanup(call);
}
