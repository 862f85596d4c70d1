#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "alert_recorder.h"
#include "core/threads/utl_thread.h"
#include "log_capture.h"

using testing_support::alert_recorder;
using testing_support::recorded_alert;

namespace {

void* answer_own_identity(void* out)
{
    *static_cast<unsigned long*>(out) = UTL_get_current_thread();
    return out;
}

}  // namespace

TEST(Threads, CreateFillsAllThreeHandlesWithTheNewThreadsIdentity)
{
    unsigned long seen = 0, thread = 0, id = 0, join = 0;
    UTL_thread_create(answer_own_identity, &seen, &thread, &id, &join);
    void* result = UTL_thread_join(&thread, &join);
    EXPECT_EQ(result, &seen) << "the join answers the thread's exit value";
    EXPECT_EQ(thread, seen);
    EXPECT_EQ(id, seen);
    EXPECT_EQ(join, seen);
}

TEST(Threads, JoiningItselfIsOnlyAWarningInTheLog)
{
    log_capture log;
    unsigned long self = UTL_get_current_thread(), join = self;
    EXPECT_EQ(UTL_thread_join(&self, &join), nullptr);
    EXPECT_EQ(log.text(), "Warning: wait on thread cleanup failed with error 35\n");
}

namespace {

// Times this thread gave up its processor of its own accord, as a sleep
// does; being preempted on a busy machine counts elsewhere.
long voluntary_switches()
{
    rusage use{};
    getrusage(RUSAGE_THREAD, &use);
    return use.ru_nvcsw;
}

}  // namespace

TEST(Threads, SleepReturnsAtOnceForZeroAndNegativeAndSleepsOtherwise)
{
    UTL_sleep(0);  // its code paged in before counting
    const long before = voluntary_switches();
    UTL_sleep(0);
    UTL_sleep(-5);
    UTL_sleep(-2147483647 - 1);
    EXPECT_EQ(voluntary_switches(), before) << "slept";
    const auto start = std::chrono::steady_clock::now();
    UTL_sleep(3);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3));
    EXPECT_GT(voluntary_switches(), before);
}

TEST(CriticalSection, RecursiveLockKeepsOthersOutUntilFullyReleased)
{
    pthread_mutex_t cs;
    UTL_critical_section_create(&cs);
    UTL_critical_section_lock(&cs);
    UTL_critical_section_lock(&cs);

    std::atomic<bool> entered{false};
    std::thread other([&] {
        UTL_critical_section_lock(&cs);
        entered = true;
        UTL_critical_section_unlock(&cs);
    });
    UTL_critical_section_unlock(&cs);
    EXPECT_NE(pthread_mutex_trylock(&cs), EBUSY) << "the holder may still lock again";
    UTL_critical_section_unlock(&cs);
    // Still held once: another thread cannot get in, whenever it tries.
    int tried = 0;
    std::thread([&] { tried = pthread_mutex_trylock(&cs); }).join();
    EXPECT_EQ(tried, EBUSY);
    EXPECT_FALSE(entered.load());
    UTL_critical_section_unlock(&cs);
    other.join();
    EXPECT_TRUE(entered.load());
    UTL_critical_section_destroy(&cs);
}

TEST(CriticalSection, MisuseEndsInTheFatalReportOfTheFailingCall)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer stops on the deliberate misuse itself";
#endif
    alert_recorder alerts;
    pthread_mutex_t cs;
    UTL_critical_section_create(&cs);
    std::thread([&] { UTL_critical_section_unlock(&cs); }).join();  // not the holder
    UTL_critical_section_lock(&cs);
    UTL_critical_section_destroy(&cs);  // still locked
    UTL_critical_section_unlock(&cs);
    UTL_critical_section_destroy(&cs);

    ASSERT_EQ(alerts.alerts().size(), 2u);
    EXPECT_EQ(alerts.alerts()[0].line1, "\"pthread_mutex_unlock\" OS error");
    EXPECT_EQ(alerts.alerts()[0].line2, "err=1.000000") << "EPERM";
    EXPECT_EQ(alerts.alerts()[1].line1, "\"::pthread_mutex_destroy\" OS error");
    EXPECT_EQ(alerts.alerts()[1].line2, "err=16.000000") << "EBUSY";
    EXPECT_EQ(alerts.alerts()[1].level, 2);
}

TEST(Threads, FatalReportFormatsTheErrorNumberAsAFloat)
{
    alert_recorder alerts;
    UTL_thread_os_error("\"pthread_create\" OS error", 11, "x.cpp", 3);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    const recorded_alert& a = alerts.alerts()[0];
    EXPECT_EQ(a.line1, "\"pthread_create\" OS error");
    EXPECT_EQ(a.line2, "err=11.000000");
    EXPECT_EQ(a.line3 + a.line4, "");
    EXPECT_EQ(a.level, 2);
}
