#include "core/threads/worker_threads.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "core/threads/message_queue.h"
#include "core/threads/utl_thread.h"

namespace {

// What a thread made without attributes would get: the thread library's
// default stack size (the stack limit, ulimit -s), and its guard, in whole
// pages.
struct stack_shape {
    std::size_t size = 8u << 20;
    std::size_t guard = 0;
};

stack_shape default_stack()
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    stack_shape shape;
    shape.guard = page;
    pthread_attr_t attr;
    if (pthread_getattr_default_np(&attr) == 0) {
        pthread_attr_getstacksize(&attr, &shape.size);
        pthread_attr_getguardsize(&attr, &shape.guard);
        pthread_attr_destroy(&attr);
    }
    shape.size = (shape.size + page - 1) / page * page;
    shape.guard = (shape.guard + page - 1) / page * page;
    return shape;
}

}  // namespace

std::size_t UTL_worker_threads::thread_room(std::size_t block)
{
    const stack_shape shape = default_stack();
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t mapped = block ? (block + 2 * sizeof(std::size_t) + page - 1) / page * page : 0;
    return shape.size + shape.guard + mapped;
}

// Everything the group records of its threads is made before the first
// starts: an allocation that failed once one runs would leave it running
// on a group that is never cleaned up.
UTL_worker_threads::UTL_worker_threads(int threads, int slots)
    : slots_(slots), threads_(threads > 0 ? threads : 0), joins_(threads_.size()),
      ids_(threads_.size()), stacks_(threads_.size(), nullptr)
{
    UTL_message_queue_create(&work_);
    UTL_message_queue_create(&retired_);
    const stack_shape shape = default_stack();
    stack_room_ = shape.guard + shape.size;
    for (size_t i = 0; i < threads_.size(); ++i) {
        void* stack = ::mmap(nullptr, stack_room_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK,
                             -1, 0);
        if (stack == MAP_FAILED) {
            // No room for its stack is what failing to start the thread was.
            UTL_thread_os_error("\"pthread_create\" OS error", errno, __FILE__, __LINE__);
        } else {
            ::mprotect(stack, shape.guard, PROT_NONE);
            UTL_thread_create(thread_func, this, &threads_[i], &ids_[i], &joins_[i],
                              static_cast<char*>(stack) + shape.guard, shape.size);
            if (threads_[i]) {
                stacks_[i] = stack;
                continue;
            }
            ::munmap(stack, stack_room_);
        }
        // Only where a test's alert returns: the group is the threads that
        // started.
        threads_.resize(i);
        return;
    }
}

UTL_worker_threads::~UTL_worker_threads()
{
    std::vector<void*> stops(threads_.size(), nullptr);
    UTL_message_queue_multi_write(work_, stops.data(), static_cast<int>(stops.size()), 0);
    bool all_ended = true;
    for (size_t i = 0; i < threads_.size(); ++i) {
        bool ended = false;
        UTL_thread_join(&threads_[i], &joins_[i], &ended);
        // A thread not known to have ended may still run on its stack and
        // read the queues: they stay, lost, rather than go from under it.
        if (ended) ::munmap(stacks_[i], stack_room_);
        all_ended = all_ended && ended;
    }
    if (!all_ended) return;
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
