#include "core/threads/message_queue.h"

#include <cerrno>

#include "core/threads/utl_thread.h"

namespace {

void lock(UTL_message_queue* q)
{
    UTL_THREAD_CHECK(pthread_mutex_lock(&q->mutex), "\"pthread_mutex_lock\" OS error");
}

void unlock(UTL_message_queue* q)
{
    UTL_THREAD_CHECK(pthread_mutex_unlock(&q->mutex), "\"pthread_mutex_unlock\" OS error");
}

void signal_readers(UTL_message_queue* q, int times)
{
    for (int i = 0; i < times; ++i)
        UTL_THREAD_CHECK(pthread_cond_signal(&q->cond), "\"pthread_cond_signal\" OS error");
}

}  // namespace

timespec UTL_message_queue_deadline(const timespec& now, int timeout_ms)
{
    timespec at;
    at.tv_sec = now.tv_sec + timeout_ms / 1000;
    at.tv_nsec = now.tv_nsec + static_cast<long>(timeout_ms % 1000) * 1000000L;
    if (at.tv_nsec > 999999999L) {
        at.tv_nsec -= 1000000000L;
        at.tv_sec += 1;
    }
    return at;
}

void UTL_message_queue_create(UTL_message_queue** queue)
{
    UTL_message_queue* q = new UTL_message_queue;
    *queue = q;
    UTL_THREAD_CHECK(pthread_mutex_init(&q->mutex, nullptr), "\"::pthread_mutex_init\" OS error");
    // Deadlines on the monotonic clock: a wall-clock jump neither fires a
    // timed read early nor stretches it by hours.
    pthread_condattr_t attr;
    UTL_THREAD_CHECK(pthread_condattr_init(&attr), "\"::pthread_cond_init\" OS error");
    UTL_THREAD_CHECK(pthread_condattr_setclock(&attr, CLOCK_MONOTONIC),
                     "\"::pthread_cond_init\" OS error");
    UTL_THREAD_CHECK(pthread_cond_init(&q->cond, &attr), "\"::pthread_cond_init\" OS error");
    pthread_condattr_destroy(&attr);
}

void UTL_message_queue_write(UTL_message_queue* q, void* item)
{
    lock(q);
    // The signal may come first: the woken reader looks only after unlock.
    if (q->readers > 0) signal_readers(q, 1);
    q->items.push_back(item);
    unlock(q);
}

void UTL_message_queue_multi_write(UTL_message_queue* q, void** items, int n, int front)
{
    if (n <= 0) return;
    lock(q);
    if (q->readers > 0) signal_readers(q, n < q->readers ? n : q->readers);
    q->items.insert(front ? q->items.begin() : q->items.end(), items, items + n);
    unlock(q);
}

void* UTL_message_queue_read(UTL_message_queue* q, int timeout_ms)
{
    const bool timed = timeout_ms > 0;
    timespec deadline{};
    if (timed) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        deadline = UTL_message_queue_deadline(now, timeout_ms);
    }
    lock(q);
    if (timeout_ms == 0 && q->items.empty()) {
        unlock(q);
        return nullptr;
    }
    ++q->readers;
    for (;;) {
        if (!q->items.empty()) {
            void* item = q->items.front();
            q->items.pop_front();
            --q->readers;
            unlock(q);
            return item;
        }
        int err = timed ? pthread_cond_timedwait(&q->cond, &q->mutex, &deadline)
                        : pthread_cond_wait(&q->cond, &q->mutex);
        if (err == ETIMEDOUT) {
            --q->readers;
            // The wake-up we may have swallowed on the way out belongs to an
            // item that is still here: hand it to a reader that still waits,
            // or that reader sleeps beside a full queue.
            if (!q->items.empty() && q->readers > 0) signal_readers(q, 1);
            unlock(q);
            return nullptr;
        }
        if (err != 0) UTL_thread_os_error("\"pthread_cond_timedwait\" OS error", err, __FILE__, __LINE__);
    }
}

void UTL_message_queue_edit(UTL_message_queue* q,
                            void (*edit)(std::vector<void*>& items, void* context),
                            void* context)
{
    lock(q);
    std::vector<void*> items(q->items.begin(), q->items.end());
    edit(items, context);
    q->items.assign(items.begin(), items.end());
    unlock(q);
}

void UTL_message_queue_destroy(UTL_message_queue* q)
{
    UTL_THREAD_CHECK(pthread_mutex_destroy(&q->mutex), "\"::pthread_mutex_destroy\" OS error");
    UTL_THREAD_CHECK(pthread_cond_destroy(&q->cond), "\"::pthread_cond_desroy\" OS error");
    delete q;
}
