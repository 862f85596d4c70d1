#include <gtest/gtest.h>

#include <stdexcept>

#include "alert_recorder.h"
#include "core/shell_hooks.h"
#include "core/threads/exce.h"
#include "core/threads/thread_layer.h"
#include "core/threads/utl_thread.h"
#include "fake_gl_hooks.h"
#include "log_capture.h"

using testing_support::alert_recorder;
using testing_support::recorded_alert;

namespace {

class ThreadLayer : public testing::Test {
protected:
    void SetUp() override { THREAD_init(); }
    void TearDown() override
    {
        THREAD_shutdown();
        fake_gl::uninstall();
    }

    // Runs `fn` on a thread-layer thread to its end.
    void run_thread(void* (*fn)(void*), void* arg = nullptr, int want_ogl = 0)
    {
        unsigned long thread = 0, id = 0, join = 0;
        THREAD_create(fn, arg, &thread, &id, &join, want_ogl);
        UTL_thread_join(&thread, &join);
    }

    alert_recorder alerts;
};

bool ran_past_fatal = false;

}  // namespace

TEST_F(ThreadLayer, TheCallerOfInitIsTheMainThreadAndNoOtherIs)
{
    EXPECT_EQ(THREAD_is_inited(), 1);
    EXPECT_EQ(THREAD_is_main_thread(), 1);
    int other = -1;
    run_thread([](void* out) -> void* {
        *static_cast<int*>(out) = THREAD_is_main_thread();
        return nullptr;
    }, &other);
    EXPECT_EQ(other, 0);
}

TEST_F(ThreadLayer, EscapingErrorsReachTheMainThreadAsFatalOnItsNextFrame)
{
    run_thread([](void*) -> void* { throw std::runtime_error("disk on fire"); });
    run_thread([](void*) -> void* { throw exce_class("own", "error", "", "x", "w.cpp", 9, 1); });
    run_thread([](void*) -> void* { throw 42; });
    EXPECT_TRUE(alerts.alerts().empty()) << "nothing is shown before the main thread's frame";

    THREAD_check_exception(1);
    ASSERT_EQ(alerts.alerts().size(), 3u);
    EXPECT_EQ(alerts.alerts()[0].line1, "Caught an unhandled C++ exception");
    EXPECT_EQ(alerts.alerts()[0].line2, "disk on fire");
    EXPECT_EQ(alerts.alerts()[1].line1, "own");
    EXPECT_EQ(alerts.alerts()[1].line4, "x");
    EXPECT_EQ(alerts.alerts()[2].line1, "Caught an unhandled unknown exception");
    for (const recorded_alert& a : alerts.alerts()) EXPECT_EQ(a.level, 2) << a.line1;
}

TEST_F(ThreadLayer, FatalAlertOnAWorkerEndsOnlyThatThread)
{
    // The thread ends by unwinding through the layer's catch-alls; one that
    // swallowed the unwind would abort the whole process here.
    ran_past_fatal = false;
    run_thread([](void*) -> void* {
        __MACIBM_alert(0, "worker", "broke", "", "", 2, "worker.cpp", 7);
        ran_past_fatal = true;
        return nullptr;
    });
    EXPECT_FALSE(ran_past_fatal);
    EXPECT_TRUE(alerts.alerts().empty());
    THREAD_check_exception(1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line2, "broke");
    EXPECT_EQ(alerts.alerts()[0].level, 2);
}

TEST_F(ThreadLayer, FatalErrorsAreReportedBeforeEarlierWarnings)
{
    run_thread([](void*) -> void* {
        __MACIBM_alert(0, "first warning", "", "", "", 1, __FILE__, __LINE__);
        __MACIBM_alert(0, "second warning", "", "", "", 1, __FILE__, __LINE__);
        __MACIBM_alert(0, "chooser", "", "", "", 0, __FILE__, __LINE__);  // dropped
        __MACIBM_alert(0, "fatal", "", "", "", 2, __FILE__, __LINE__);
        return nullptr;
    });
    THREAD_check_exception(0);
    ASSERT_EQ(alerts.alerts().size(), 1u) << "argument 0 takes only the fatal ones";
    EXPECT_EQ(alerts.alerts()[0].line1, "fatal");
    THREAD_check_exception(1);
    ASSERT_EQ(alerts.alerts().size(), 3u);
    EXPECT_EQ(alerts.alerts()[1].line1, "first warning");
    EXPECT_EQ(alerts.alerts()[2].line1, "second warning");
    EXPECT_EQ(alerts.alerts()[2].level, 1);
}

TEST_F(ThreadLayer, MainThreadsOwnFatalErrorIsQueuedAndReportedNextFrame)
{
    THREAD_send_exception(exce_class("mine", "", "", "", "m.cpp", 1, 2));
    THREAD_send_exception(exce_class("ignored", "", "", "", "m.cpp", 2, 0));
    EXPECT_TRUE(alerts.alerts().empty());
    THREAD_check_exception(1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line1, "mine");
}

TEST_F(ThreadLayer, ReportOnAWorkerLogsAndHandsTheErrorOverInsteadOfEndingTheProcess)
{
    log_capture log;
    ran_past_fatal = false;
    run_thread([](void*) -> void* {
        exce_class("late", "warning", "", "", "r.cpp", 12, 1).Report();
        ran_past_fatal = true;
        return nullptr;
    });
    EXPECT_FALSE(ran_past_fatal) << "a report from a worker ends the worker";
    EXPECT_EQ(log.text(), "EXCEPTION REPORTED FROM THREAD!!  File: r.cpp, line 12.\nlate\nwarning\n\n\n");
    THREAD_check_exception(1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].level, 2) << "handed over as fatal";
}

TEST(ErrorObject, DefaultObjectReportsEmptyLinesFromNoException)
{
    alert_recorder alerts;
    exce_class().Report();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    const recorded_alert& a = alerts.alerts()[0];
    EXPECT_EQ(a.line1 + a.line2 + a.line3 + a.line4, "");
    EXPECT_EQ(a.level, 2);
    EXPECT_EQ(a.file, "no exception");
    EXPECT_EQ(a.line, 0);
}

TEST(ErrorObject, CopiesKeepEveryFieldAndLogAndContinueNamesTheSeverity)
{
    exce_class original("a", "b", "c", "d", "f.cpp", 5, 1);
    exce_class copy;
    copy = original;
    EXPECT_EQ(copy.line1 + copy.line2 + copy.line3 + copy.line4, "abcd");
    EXPECT_EQ(copy.file, original.file);
    EXPECT_EQ(copy.severity, 1);

    log_capture log;
    copy.LogAndContinue();
    copy.severity = 0;
    copy.LogAndContinue();
    EXPECT_EQ(log.text(),
              "Logging fatal Exception thrown from file: f.cpp, line 5.\na\nb\nc\nd\n"
              "Logging non-fatal Exception thrown from file: f.cpp, line 5.\na\nb\nc\nd\n");
}

// -- OpenGL contexts of new threads ------------------------------------------------

TEST_F(ThreadLayer, ThreadWithoutOpenGLMakesNoLoaderContext)
{
    fake_gl::install(1);
    run_thread([](void*) -> void* { return nullptr; }, nullptr, 0);
    EXPECT_EQ(fake_gl::made.load(), 0);
    EXPECT_EQ(fake_gl::set_calls.load(), 0);
    fake_gl::install(0);
    run_thread([](void*) -> void* { return nullptr; }, nullptr, 1);
    EXPECT_EQ(fake_gl::made.load(), 0) << "threaded OpenGL is off";
}

TEST_F(ThreadLayer, ContextIsMadeHereAndMadeCurrentOnTheNewThread)
{
    fake_gl::install(1);
    run_thread([](void*) -> void* { return nullptr; }, nullptr, 1);
    EXPECT_EQ(fake_gl::made.load(), 1);
    EXPECT_EQ(fake_gl::set_calls.load(), 1);
    EXPECT_EQ(fake_gl::failures, 0);
}

TEST_F(ThreadLayer, AContextThatCannotBeMadeOrMadeCurrentSwitchesThreadedOpenGLOffOnce)
{
    fake_gl::install(1);
    fake_gl::can_make = false;
    run_thread([](void*) -> void* { return nullptr; }, nullptr, 1);
    run_thread([](void*) -> void* { return nullptr; }, nullptr, 1);
    EXPECT_EQ(fake_gl::failures, 1);
    EXPECT_EQ(fake_gl::made.load(), 1) << "the second thread no longer asks";
    EXPECT_EQ(fake_gl::set_calls.load(), 0);

    fake_gl::install(1);
    fake_gl::can_set = false;
    run_thread([](void*) -> void* { return nullptr; }, nullptr, 1);
    EXPECT_EQ(fake_gl::failures, 1);
    EXPECT_EQ(fake_gl::threaded, 0);
}
