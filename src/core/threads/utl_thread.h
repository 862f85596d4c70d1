// Plain POSIX threads and recursive critical sections.
//
// No policy lives here: no names, no OpenGL, no error catching around a
// thread's function.  The thread layer (thread_layer.h) adds those; the
// worker groups start their threads directly from here.  A failing POSIX
// call is fatal and reported through the central alert in one fixed form
// (`UTL_thread_os_error`), which the message queues share.
#pragma once

#include <pthread.h>

#include <cstddef>

static_assert(sizeof(pthread_t) == sizeof(unsigned long),
              "thread identities travel as unsigned long");

// Starts `fn(arg)` on a new joinable thread.  On success the thread handle,
// the identity and the join handle all hold the new thread's pthread_t.
// The thread runs on `stack` when one is given (`stack_bytes` of it, which
// the caller maps and unmaps once it joined the thread), else on a stack of
// the thread library's.
void UTL_thread_create(void* (*fn)(void*), void* arg, unsigned long* thread,
                       unsigned long* id, unsigned long* join, void* stack = nullptr,
                       std::size_t stack_bytes = 0);
// Waits for the thread to end and answers its exit value.  A failed join is
// only a warning in the log (null result); `join` is accepted and unused.
// `ended`, when given, tells whether the thread is known to have ended: a
// thread whose join failed may still run on its stack.
void* UTL_thread_join(unsigned long* thread, unsigned long* join, bool* ended = nullptr);
void UTL_thread_murder(unsigned long* thread);
[[noreturn]] void UTL_thread_exit(void* value);
unsigned long UTL_get_current_thread();
// Returns at once for 0 or less.
void UTL_sleep(int ms);

// The "model name" lines of /proc/cpuinfo; 1 (with a message on standard
// error and a log line) when the file cannot be read or names none.
int UTL_count_processors();
// Where UTL_count_processors looks; null restores "/proc/cpuinfo".  Tests
// point it at fixture files.
void UTL_set_cpuinfo_path(const char* path);

// Recursive: the holder may lock again, and others get in only after as
// many unlocks as locks.  The storage belongs to the caller.
void UTL_critical_section_create(pthread_mutex_t* cs);
void UTL_critical_section_lock(pthread_mutex_t* cs);
void UTL_critical_section_unlock(pthread_mutex_t* cs);
void UTL_critical_section_destroy(pthread_mutex_t* cs);

// The fatal report of a failing POSIX thread call: a level-2 alert with
// `call_line` (the call's name in quotes and " OS error"), "err=%f" of the
// error number, two empty lines and the caller's position.
void UTL_thread_os_error(const char* call_line, int err, const char* file, int line);

// Runs `call` (an expression answering a POSIX error number) and reports a
// non-zero answer as fatal with `line1`.
#define UTL_THREAD_CHECK(call, line1)                                        \
    do {                                                                     \
        int utl_err_ = (call);                                               \
        if (utl_err_ != 0) UTL_thread_os_error(line1, utl_err_, __FILE__, __LINE__); \
    } while (0)
