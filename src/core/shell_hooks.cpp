#include "core/shell_hooks.h"

#include <cstdio>
#include <cstdlib>

#include "core/diag/debug_dumps.h"
#include "core/threads/exce.h"
#include "core/diag/log_stream.h"
#include "core/diag/memory_report.h"
#include "core/threads/thread_layer.h"

int app_done = 0;
int app_exit_status = 0;

namespace {

alert_hook_fn alert_hook = nullptr;
finishup_hook_fn finishup_hook = nullptr;
command_registry_hooks registry_hooks = {nullptr, nullptr};

}  // namespace

std::string alert_position_text(const char* file, int line)
{
    return "(" + std::string(file ? file : "") + " line " + std::to_string(line) + ")";
}

void set_alert_hook(alert_hook_fn fn) { alert_hook = fn; }
void set_finishup_hook(finishup_hook_fn fn) { finishup_hook = fn; }

void __MACIBM_alert(int return_window, std::string line1, std::string line2,
                    std::string line3, std::string line4, int level,
                    const char* file, int line)
{
    // Only the main thread may draw: any other thread hands the error over
    // (a fatal one ends that thread inside the hand-off).
    if (THREAD_is_inited() && !THREAD_is_main_thread()) {
        THREAD_send_exception(exce_class(line1, line2, line3, line4, file, line, level));
        return;
    }
    if (alert_hook)
        alert_hook(return_window, line1, line2, line3, line4, level, file, line);
    else
        alert_to_stdout(return_window, line1, line2, line3, line4, level, file, line);
}

void alert_to_stdout(int, const std::string& line1, const std::string& line2,
                     const std::string& line3, const std::string& line4,
                     int level, const char* file, int line)
{
    // A fatal alert leaves a trace even when the log is not open yet.
    if (level == 2) {
        if (FILE* crawl = std::fopen("stack_crawl.txt", "a")) {
            UTL_dump_stack(crawl, nullptr, nullptr);
            std::fclose(crawl);
        }
    }
    std::puts("N-System Error:");
    std::printf("%s\n\n%s\n\n%s\n\n%s\n\n", line1.c_str(), line2.c_str(),
                line3.c_str(), line4.c_str());
    std::puts("Sorry.");
    std::fflush(stdout);

    if (level != 1 && level != 2) return;
    dump_mem_stats("This is the dump_mem_stats call from the following code: "
                   "if(type==t_exit || type == t_alert || recursive_error)");
    xer << "\n" << line1 << "\n" << line2 << "\n" << line3 << "\n" << line4
        << "\n" << alert_position_text(file, line) << "\n" << std::flush;
    if (level == 2) {
        MACIBM_finishup(0);
        app_done = 1;
        std::abort();
    }
}

void MACIBM_finishup(int full)
{
    if (finishup_hook) {
        finishup_hook(full);
        return;
    }
    xer.close();
}

void set_command_registry_hooks(const command_registry_hooks& hooks) { registry_hooks = hooks; }

void UTL_list_commands(std::vector<std::string>& names, std::vector<std::string>& descriptions)
{
    names.clear();
    descriptions.clear();
    if (registry_hooks.all) registry_hooks.all(names, descriptions);
}

void UTL_commands_in_path(const std::string& prefix, std::vector<std::string>& out)
{
    out.clear();
    if (registry_hooks.in_path) registry_hooks.in_path(prefix, out);
}
