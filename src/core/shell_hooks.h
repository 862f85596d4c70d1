// Calls from the core up into the window shell.
//
// The core raises alerts, ends the main loop and shuts the program down, but
// it must not know how the shell does any of it.  So the core owns these
// entry points and a hook behind each; the shell installs its own at
// start-up, a test installs whatever it needs.  Until then they behave as
// the program does before its window exists: alerts go to standard output.
#pragma once

#include <string>
#include <vector>

// Set non-zero to end the main loop after the current frame.
extern int app_done;
// What the program exits with once the main loop ends: 0 unless something
// the user did not choose ended it (a notice that this installer is too
// old, a stop signal).
extern int app_exit_status;

// The central alert.  Level 0 is the language chooser, 1 a warning that
// returns, 2 fatal (does not return).  Lines are already translated.
void __MACIBM_alert(int return_window, std::string line1, std::string line2,
                    std::string line3, std::string line4, int level,
                    const char* file, int line);

using alert_hook_fn = void (*)(int return_window, const std::string& line1,
                               const std::string& line2, const std::string& line3,
                               const std::string& line4, int level,
                               const char* file, int line);
// Null restores the default (standard output, log, abort at level 2).
void set_alert_hook(alert_hook_fn fn);
// The default alert, for hooks that fall back to it: the trace
// (core/diag/fatal_trace.h), then at level 2 the shut-down and the end.
void alert_to_stdout(int return_window, const std::string& line1,
                     const std::string& line2, const std::string& line3,
                     const std::string& line4, int level, const char* file,
                     int line);

// Only the main thread may show an alert.  The thread layer, once started,
// takes over the alerts of other threads with this; it answers true when it
// took the alert, which is then not shown here.
using alert_handoff_fn = bool (*)(const std::string& line1, const std::string& line2,
                                  const std::string& line3, const std::string& line4, int level,
                                  const char* file, int line);
void set_alert_handoff(alert_handoff_fn fn);

// The orderly shut-down; a non-zero `full` also saves the preferences and
// stops the threads.  Returns; the caller ends the process.
void MACIBM_finishup(int full);

using finishup_hook_fn = void (*)(int full);
// Null restores the default, which only closes the log.
void set_finishup_hook(finishup_hook_fn fn);

// The shell's command registry, as far as the core lists it (the command
// line's "--cmnds", command folders in file listings).  Until the shell sets
// them there are no commands.
struct command_registry_hooks {
    // Every command in registration order, with its description.
    void (*all)(std::vector<std::string>& names, std::vector<std::string>& descriptions);
    // The distinct entries directly below `prefix`; a group keeps its '/'.
    void (*in_path)(const std::string& prefix, std::vector<std::string>& out);
};
void set_command_registry_hooks(const command_registry_hooks& hooks);
void UTL_list_commands(std::vector<std::string>& names, std::vector<std::string>& descriptions);
void UTL_commands_in_path(const std::string& prefix, std::vector<std::string>& out);
