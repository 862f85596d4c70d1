#include "shell/stop_signals.h"

#include <signal.h>

#include <atomic>

#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"

namespace {

// Written by the handler on whichever thread the signal lands; a lock-free
// atomic is safe to touch there.
std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler needs a lock-free flag");

void note_signal(int sig) { caught.store(sig, std::memory_order_relaxed); }

}  // namespace

void catch_stop_signals()
{
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the second signal finds the default action again.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

int act_on_stop_signal()
{
    const int sig = caught.exchange(0, std::memory_order_relaxed);
    if (sig == 0) return 0;
    xer << "Stopping on signal " << sig << ".\n";
    app_done = 1;
    app_exit_status = 128 + sig;
    return sig;
}
