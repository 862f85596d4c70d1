#include "core/threads/exce.h"

#include <utility>

#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/threads/main_thread.h"
#include "core/threads/message_queue.h"
#include "core/threads/utl_thread.h"

UTL_message_queue* warn_exce = nullptr;
UTL_message_queue* quit_exce = nullptr;

exce_class::exce_class(std::string l1, std::string l2, std::string l3, std::string l4,
                       const char* f, int l, int s)
    : line1(std::move(l1)), line2(std::move(l2)), line3(std::move(l3)), line4(std::move(l4)),
      file(f), line(l), severity(s)
{
}

exce_class::exce_class() : file("no exception"), line(0), severity(2) {}

exce_class& exce_class::operator=(const exce_class& other)
{
    file = other.file;
    line = other.line;
    severity = other.severity;
    line1 = other.line1;
    line2 = other.line2;
    line3 = other.line3;
    line4 = other.line4;
    return *this;
}

exce_class::~exce_class() = default;

void exce_class::LogAndContinue()
{
    xer << "Logging " << (severity == 0 ? "non-fatal" : "fatal")
        << " Exception thrown from file: " << file << ", line " << line << ".\n"
        << line1 << "\n" << line2 << "\n" << line3 << "\n" << line4 << "\n" << std::flush;
}

void exce_class::Report()
{
    if (!THREAD_is_inited() || THREAD_is_main_thread()) {
        __MACIBM_alert(0, line1, line2, line3, line4, severity, file, line);
        return;
    }
    // Shutting X and GL down belongs to the main thread; from here the error
    // only travels there, and the main thread ends the program on its next
    // frame.
    xer << "EXCEPTION REPORTED FROM THREAD!!  File: " << file << ", line " << line << ".\n"
        << line1 << "\n" << line2 << "\n" << line3 << "\n" << line4 << "\n" << std::flush;
    exce_class fatal(*this);
    fatal.MakeFatal();
    THREAD_send_exception(fatal);
}

void THREAD_send_exception(const exce_class& error)
{
    if (error.severity != 1 && error.severity != 2) return;
    // Before THREAD_init there are no queues, and every caller counts as
    // the main thread: the alert itself reports then.
    if (!warn_exce || !quit_exce) return;
    UTL_message_queue_write(error.severity == 1 ? warn_exce : quit_exce, new exce_class(error));
    if (error.severity == 2 && !THREAD_is_main_thread()) UTL_thread_exit(nullptr);
}

bool THREAD_hand_over_alert(const std::string& line1, const std::string& line2, const std::string& line3,
                            const std::string& line4, int level, const char* file, int line)
{
    if (!THREAD_is_inited() || THREAD_is_main_thread()) return false;
    THREAD_send_exception(exce_class(line1, line2, line3, line4, file, line, level));
    return true;
}

namespace {

void report_all(UTL_message_queue* queue)
{
    while (void* item = UTL_message_queue_read(queue, 0)) {
        exce_class* error = static_cast<exce_class*>(item);
        error->Report();
        delete error;
    }
}

}  // namespace

void THREAD_check_exception(int all)
{
    if (!quit_exce) return;
    report_all(quit_exce);
    if (all) report_all(warn_exce);
}
