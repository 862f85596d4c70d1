#include "core/shell_hooks.h"

#include <cstdlib>

#include "core/diag/fatal_trace.h"
#include "core/diag/log_stream.h"

int app_done = 0;
int app_exit_status = 0;

namespace {

alert_hook_fn alert_hook = nullptr;
alert_handoff_fn alert_handoff = nullptr;
finishup_hook_fn finishup_hook = nullptr;
command_registry_hooks registry_hooks = {nullptr, nullptr};

}  // namespace

void set_alert_hook(alert_hook_fn fn) { alert_hook = fn; }
void set_alert_handoff(alert_handoff_fn fn) { alert_handoff = fn; }
void set_finishup_hook(finishup_hook_fn fn) { finishup_hook = fn; }

void __MACIBM_alert(int return_window, std::string line1, std::string line2,
                    std::string line3, std::string line4, int level,
                    const char* file, int line)
{
    if (alert_handoff && alert_handoff(line1, line2, line3, line4, level, file, line)) return;
    if (alert_hook)
        alert_hook(return_window, line1, line2, line3, line4, level, file, line);
    else
        alert_to_stdout(return_window, line1, line2, line3, line4, level, file, line);
}

void alert_to_stdout(int, const std::string& line1, const std::string& line2,
                     const std::string& line3, const std::string& line4,
                     int level, const char* file, int line)
{
    UTL_fatal_trace(line1, line2, line3, line4, level, file, line);
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
