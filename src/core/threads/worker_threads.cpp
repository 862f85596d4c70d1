#include "core/threads/worker_threads.h"

#include "core/threads/message_queue.h"
#include "core/threads/utl_thread.h"

UTL_worker_threads::UTL_worker_threads(int threads, int slots)
    : slots_(slots), threads_(threads > 0 ? threads : 0), joins_(threads_.size()),
      ids_(threads_.size())
{
    UTL_message_queue_create(&work_);
    UTL_message_queue_create(&retired_);
    for (size_t i = 0; i < threads_.size(); ++i)
        UTL_thread_create(thread_func, this, &threads_[i], &ids_[i], &joins_[i]);
}

UTL_worker_threads::~UTL_worker_threads()
{
    std::vector<void*> stops(threads_.size(), nullptr);
    UTL_message_queue_multi_write(work_, stops.data(), static_cast<int>(stops.size()), 0);
    for (size_t i = 0; i < threads_.size(); ++i) UTL_thread_join(&threads_[i], &joins_[i]);
    UTL_message_queue_destroy(work_);
    UTL_message_queue_destroy(retired_);
}

void UTL_worker_threads::enqueue_task(UTL_work_task* task)
{
    ++outstanding_;
    UTL_message_queue_write(work_, task);
}

UTL_work_task* UTL_worker_threads::check_retired_tasks()
{
    void* task = UTL_message_queue_read(retired_, 0);
    if (task) --outstanding_;
    return static_cast<UTL_work_task*>(task);
}

UTL_work_task* UTL_worker_threads::wait_retired_tasks()
{
    if (outstanding_ <= 0) return nullptr;
    void* task = UTL_message_queue_read(retired_, -1);
    --outstanding_;
    return static_cast<UTL_work_task*>(task);
}

void* UTL_worker_threads::thread_func(void* raw)
{
    UTL_worker_threads* group = static_cast<UTL_worker_threads*>(raw);
    while (void* item = UTL_message_queue_read(group->work_, -1)) {
        UTL_work_task* task = static_cast<UTL_work_task*>(item);
        task->do_it();
        UTL_message_queue_write(group->retired_, task);
    }
    return nullptr;
}
