#include "core/threads/threadpool.h"

#include "core/threads/message_queue.h"
#include "core/threads/thread_layer.h"
#include "core/threads/utl_thread.h"

// -- The pool ------------------------------------------------------------------

void UTL_run_pool_task(UTL_pool_task* task)
{
    if (task->do_it()) delete task;
}

UTL_threadpool::UTL_threadpool(int threads)
    : threads_(threads > 0 ? threads : 0), joins_(threads_.size()), ids_(threads_.size())
{
    UTL_message_queue_create(&queue_);
    for (size_t i = 0; i < threads_.size(); ++i)
        THREAD_create(thread_func, this, &threads_[i], &ids_[i], &joins_[i], 1);
}

UTL_threadpool::~UTL_threadpool()
{
    std::vector<void*> stops(threads_.size(), nullptr);
    UTL_message_queue_multi_write(queue_, stops.data(), static_cast<int>(stops.size()), 0);
    for (size_t i = 0; i < threads_.size(); ++i) UTL_thread_join(&threads_[i], &joins_[i]);
    UTL_message_queue_destroy(queue_);
}

void UTL_threadpool::queue_task(UTL_pool_task* task, int front)
{
    void* item = task;
    UTL_message_queue_multi_write(queue_, &item, 1, front);
}

void UTL_threadpool::queue_task_multi(UTL_pool_task* task, int count, int front)
{
    if (count <= 0) return;
    std::vector<void*> items(static_cast<size_t>(count), task);
    UTL_message_queue_multi_write(queue_, items.data(), count, front);
}

bool UTL_threadpool::help_a_bit()
{
    void* item = UTL_message_queue_read(queue_, 0);
    if (!item) return false;
    if (item != UTL_POOL_SKIP) UTL_run_pool_task(static_cast<UTL_pool_task*>(item));
    return true;
}

void* UTL_threadpool::thread_func(void* raw)
{
    UTL_threadpool* pool = static_cast<UTL_threadpool*>(raw);
    for (;;) {
        void* item = UTL_message_queue_read(pool->queue_, -1);
        if (!item) return nullptr;
        if (item != UTL_POOL_SKIP) UTL_run_pool_task(static_cast<UTL_pool_task*>(item));
    }
}

// -- Barrier ---------------------------------------------------------------------

UTL_threadpool_barrier::UTL_threadpool_barrier(UTL_threadpool* pool, const char* name)
    : pool_(pool), name_(name)
{
    UTL_message_queue_create(&tasks_);
    UTL_message_queue_create(&replies_);
}

UTL_threadpool_barrier::~UTL_threadpool_barrier()
{
    UTL_message_queue_destroy(tasks_);
    UTL_message_queue_destroy(replies_);
}

void UTL_threadpool_barrier::halt_pool_start(int front)
{
    pool_->queue_task_multi(this, pool_->get_num_threads(), front);
}

void UTL_threadpool_barrier::halt_pool_finish()
{
    for (int i = 0; i < pool_->get_num_threads(); ++i) UTL_message_queue_read(replies_, -1);
}

void UTL_threadpool_barrier::queue_task(UTL_pool_task* task)
{
    UTL_message_queue_write(tasks_, task);
}

void UTL_threadpool_barrier::restart_pool()
{
    int n = pool_->get_num_threads();
    std::vector<void*> stops(static_cast<size_t>(n), nullptr);
    UTL_message_queue_multi_write(tasks_, stops.data(), n, 0);
    for (int i = 0; i < n; ++i) UTL_message_queue_read(replies_, -1);
}

bool UTL_threadpool_barrier::do_it()
{
    UTL_message_queue_write(replies_, nullptr);
    for (;;) {
        void* item = UTL_message_queue_read(tasks_, -1);
        if (!item) break;
        if (item != UTL_POOL_SKIP) UTL_run_pool_task(static_cast<UTL_pool_task*>(item));
    }
    UTL_message_queue_write(replies_, nullptr);
    return false;  // queued once per thread: the owner deletes it
}

// -- Sync --------------------------------------------------------------------------

UTL_threadpool_sync::UTL_threadpool_sync(UTL_threadpool* pool, const char* name)
    : pool_(pool), name_(name)
{
    UTL_message_queue_create(&wakeups_);
}

UTL_threadpool_sync::~UTL_threadpool_sync() { UTL_message_queue_destroy(wakeups_); }

void UTL_threadpool_sync::queue_me(void (*callback)(void*), void* arg, int delete_after, int front)
{
    callback_ = callback;
    arg_ = arg;
    delete_after_ = delete_after;
    arrived_.store(0);
    expected_ = pool_->get_num_threads();
    pool_->queue_task_multi(this, expected_, front);
}

bool UTL_threadpool_sync::do_it()
{
    if (arrived_.fetch_add(1) + 1 == expected_) {
        if (callback_) callback_(arg_);
        int others = expected_ - 1;
        std::vector<void*> wakeups(static_cast<size_t>(others), nullptr);
        UTL_message_queue_multi_write(wakeups_, wakeups.data(), others, 0);
    } else {
        UTL_message_queue_read(wakeups_, -1);
    }
    // Only the last to leave may let the pool delete it: the others may
    // still be reading its queue until then.
    return arrived_.fetch_sub(1) == 1 && delete_after_ != 0;
}
