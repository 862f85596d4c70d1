// What an alert that matters leaves for whoever reads the files afterwards,
// when no window shows it (before start-up, or a test without a hook).
#pragma once

#include <string>

// Position text of an alert: "(" file " line " N ")".
std::string alert_position_text(const char* file, int line);

// Appends a stack listing to "stack_crawl.txt" in the folder of the run's
// own files, whatever the working folder; nothing when the run has none.
void append_stack_crawl();

// The default alert's trace.  A fatal one (level 2) first appends a stack
// listing to "stack_crawl.txt", so even an alert before the log is open
// leaves one.  Every alert prints its lines on standard output.  Warnings
// and fatal alerts then dump the memory report and write the lines with
// their position to the log.  Ending the run is the caller's part.
void UTL_fatal_trace(const std::string& line1, const std::string& line2, const std::string& line3,
                     const std::string& line4, int level, const char* file, int line);
