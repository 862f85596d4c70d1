// The central alert as the shell shows it (core/shell_hooks.h declares
// __MACIBM_alert, which hands worker threads' alerts over and passes the
// main thread's here).
//
// Before the window exists, after shut-down, while another alert is open
// and where no alert window can be drawn, the lines go to standard output.
// Level 2 writes "stack_crawl.txt", logs, shuts down without saving and
// aborts; level 1 logs and returns; level 0 is the language chooser.
#pragma once

#include <string>

void shell_alert(int return_window, const std::string& line1, const std::string& line2,
                 const std::string& line3, const std::string& line4, int level,
                 const char* file, int line);

// 1 while a main-thread alert is being handled.
int alert_is_open();
