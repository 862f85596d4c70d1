// Checks, in a real program, that globals may register remote commands and
// statistics before main, and that the registries and the log survive the
// global destructors while another thread still uses them.
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "core/diag/log_stream.h"
#include "core/diag/memory_report.h"
#include "core/diag/remote_cmds.h"
#include "core/diag/stats_registry.h"

extern UTL_stat early_stat;

UTL_remote_cmd late_cmd("Late Command", [] { std::puts("late command ran"); });

int main()
{
    for (UTL_remote_cmd* cmd = UTL_remote_cmd::cmd_list; cmd; cmd = cmd->next)
        std::printf("command %d %s%s\n", cmd->id, cmd->name,
                    cmd->fn == DumpMemCmd ? " runs the memory report" : "");
    for (UTL_remote_cmd* cmd = UTL_remote_cmd::cmd_list; cmd; cmd = cmd->next)
        if (std::string(cmd->name) == "Early Command") UTL_remote_cmd::invoke(nullptr, cmd->id);

    bool waiting = false;
    for (UTL_stat* stat = UTL_stat::waiting; stat; stat = stat->next) waiting |= stat == &early_stat;
    UTL_stat::init_stats();
    std::printf("early statistic waited: %d, registered: %zu, value %.1f\n", waiting,
                UTL_stat::all_stats()[4].count(&early_stat), early_stat.value);

    // Keeps using the registries and the log while main returns and the
    // global destructors run.
    static std::atomic<bool> running{false};
    std::thread([] {
        for (int i = 0;; ++i) {
            UTL_stat* probe = new UTL_stat("test/probe", 5, float(i));
            UTL_stat::all_stats()[5].erase(probe);
            delete probe;
            xer << "still logging " << i << "\n";
            running = true;
        }
    }).detach();
    while (!running) std::this_thread::yield();
    std::puts("main returns");
    std::fflush(stdout);
    return 0;
}
