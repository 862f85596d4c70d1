// Being told to stop by a signal: the frame after it ends the program the
// ordinary way, with 128 + the signal as its status.
#include <gtest/gtest.h>

#include <signal.h>

#include "core/shell_hooks.h"
#include "shell/stop_signals.h"

namespace {

class stop_signals : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_done = 0;
        app_exit_status = 0;
        catch_stop_signals();
    }
    void TearDown() override
    {
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) signal(sig, SIG_DFL);
        app_done = 0;
        app_exit_status = 0;
    }
};

TEST_F(stop_signals, EachEndsTheLoopsWithItsOwnStatusAndOnlyOnce)
{
    EXPECT_EQ(act_on_stop_signal(), 0) << "no signal, nothing to do";
    EXPECT_EQ(app_done, 0);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        app_done = 0;
        catch_stop_signals();
        raise(sig);
        EXPECT_EQ(app_done, 0) << "the handler only takes note";
        EXPECT_EQ(act_on_stop_signal(), sig);
        EXPECT_EQ(app_done, 1);
        EXPECT_EQ(app_exit_status, 128 + sig);
        EXPECT_EQ(act_on_stop_signal(), 0) << "a signal is acted on once";
    }
}

TEST_F(stop_signals, ASecondSignalFindsTheDefaultActionAgain)
{
    raise(SIGTERM);
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "a user who insists is not ignored";
    sigaction(SIGINT, nullptr, &now);
    EXPECT_NE(now.sa_handler, SIG_DFL) << "the others are still caught";
    act_on_stop_signal();
}

}  // namespace
