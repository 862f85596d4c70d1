#include "core/threads/utl_thread.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"

void UTL_thread_os_error(const char* call_line, int err, const char* file, int line)
{
    char code[64];
    std::snprintf(code, sizeof code, "err=%f", static_cast<double>(err));
    __MACIBM_alert(0, call_line, code, "", "", 2, file, line);
}

void UTL_thread_create(void* (*fn)(void*), void* arg, unsigned long* thread,
                       unsigned long* id, unsigned long* join, void* stack, std::size_t stack_bytes)
{
    pthread_t made;
    pthread_attr_t attr;
    int err = stack ? pthread_attr_init(&attr) : 0;
    if (stack && !err) {
        err = pthread_attr_setstack(&attr, stack, stack_bytes);
        if (!err) err = pthread_create(&made, &attr, fn, arg);
        pthread_attr_destroy(&attr);
    } else if (!err) {
        err = pthread_create(&made, nullptr, fn, arg);
    }
    if (err != 0) {
        UTL_thread_os_error("\"pthread_create\" OS error", err, __FILE__, __LINE__);
        return;
    }
    *thread = made;
    *id = made;
    *join = made;
}

void* UTL_thread_join(unsigned long* thread, unsigned long*, bool* ended)
{
    void* result = nullptr;
    int err = pthread_join(static_cast<pthread_t>(*thread), &result);
    if (ended) *ended = err == 0;
    if (err != 0) {
        xer << "Warning: wait on thread cleanup failed with error " << err << "\n";
        return nullptr;
    }
    return result;
}

void UTL_thread_murder(unsigned long* thread) { pthread_cancel(static_cast<pthread_t>(*thread)); }

void UTL_thread_exit(void* value) { pthread_exit(value); }

unsigned long UTL_get_current_thread() { return pthread_self(); }

void UTL_sleep(int ms)
{
    if (ms <= 0) return;
    // Whole seconds apart: ms * 1000 microseconds overflows 32 bits past
    // about 71 minutes.
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {}
}

void UTL_critical_section_create(pthread_mutex_t* cs)
{
    pthread_mutexattr_t attr;
    UTL_THREAD_CHECK(pthread_mutexattr_init(&attr), "\"::pthread_mutexattr_init\" OS error");
    UTL_THREAD_CHECK(pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE),
                     "\"::pthread_mutexattr_settype\" OS error");
    UTL_THREAD_CHECK(pthread_mutex_init(cs, &attr), "\"::pthread_mutex_init\" OS error");
    UTL_THREAD_CHECK(pthread_mutexattr_destroy(&attr), "\"::pthread_mutexattr_destroy\" OS error");
}

void UTL_critical_section_lock(pthread_mutex_t* cs)
{
    UTL_THREAD_CHECK(pthread_mutex_lock(cs), "\"pthread_mutex_lock\" OS error");
}

void UTL_critical_section_unlock(pthread_mutex_t* cs)
{
    UTL_THREAD_CHECK(pthread_mutex_unlock(cs), "\"pthread_mutex_unlock\" OS error");
}

void UTL_critical_section_destroy(pthread_mutex_t* cs)
{
    UTL_THREAD_CHECK(pthread_mutex_destroy(cs), "\"::pthread_mutex_destroy\" OS error");
}
