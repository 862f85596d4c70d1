// An error in the form of an alert, so another thread can hand it to the
// main thread, which alone may show alerts.
#pragma once

#include <string>

struct UTL_message_queue;
extern UTL_message_queue* warn_exce;  // warnings of other threads
extern UTL_message_queue* quit_exce;  // fatal errors of other threads

class exce_class {
public:
    exce_class(std::string line1, std::string line2, std::string line3, std::string line4,
               const char* file, int line, int severity);
    // Four empty lines, file "no exception", line 0, fatal.
    exce_class();
    exce_class(const exce_class& other) = default;
    exce_class& operator=(const exce_class& other);
    virtual ~exce_class();

    void MakeFatal() { severity = 2; }
    // Writes the error to the log and goes on.
    void LogAndContinue();
    // On the main thread (or before the thread layer exists) raises the
    // alert at the error's severity.  On any other thread it logs the error
    // and hands it to the main thread as fatal, which ends the calling thread.
    void Report();

    std::string line1, line2, line3, line4;
    const char* file;  // a string constant, not owned
    int line;
    int severity;      // 1 warning, 2 fatal
};

// Queues a copy for the main thread: severity 1 as a warning, 2 as fatal
// (a thread other than the main one then ends here); any other severity is
// dropped.
void THREAD_send_exception(const exce_class& error);
// Main thread: reports and deletes every queued fatal error, then, when
// `all` is non-zero, every queued warning.  Never blocks.
void THREAD_check_exception(int all);
// The alert's hand-off (set_alert_handoff), installed by THREAD_init: on a
// thread other than the main one the alert travels to the main thread (a
// fatal one ends the calling thread here); true when it took the alert.
bool THREAD_hand_over_alert(const std::string& line1, const std::string& line2, const std::string& line3,
                            const std::string& line4, int level, const char* file, int line);
