// A fixed group of plain threads that run work tasks and hand each finished
// task back on a retired queue, which the owning thread polls once a frame.
//
// The owner (the main thread) alone enqueues, collects and counts; the
// workers touch only the two queues and the task they run.
//
// The group maps its threads' stacks itself and unmaps them once it joined
// the threads: the thread library would keep the stacks of ended threads
// mapped, up to 40 MiB of them, for threads to come, address space that
// work weighing the room under a limit could not tell from room taken.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct UTL_message_queue;

class UTL_work_task {
public:
    virtual ~UTL_work_task() = default;
    // The work, on a worker thread.
    virtual void do_it() = 0;
    // After the task is back: 0 for success, else an error number, with the
    // message in `message`.
    virtual int check_error(std::string& message) = 0;
};

class UTL_worker_threads {
public:
    UTL_worker_threads(int threads, int slots);
    // Runs every task queued before, joins the threads.  Tasks still on the
    // retired queue are not deleted: drain first.
    ~UTL_worker_threads();
    UTL_worker_threads(const UTL_worker_threads&) = delete;
    UTL_worker_threads& operator=(const UTL_worker_threads&) = delete;

    // The group owns the task until it is collected.
    void enqueue_task(UTL_work_task* task);
    // A finished task, or null at once.
    UTL_work_task* check_retired_tasks();
    // The next finished task, waiting for it; null at once when nothing is out.
    UTL_work_task* wait_retired_tasks();
    // Slots are advisory: enqueue_task does not look at them.
    bool has_free_slot() const { return outstanding_ < slots_; }
    int count_total_tasks() const { return outstanding_; }
    static void* thread_func(void* group);

    // The address space each thread of a group takes beside what its tasks
    // allocate: its stack, of the thread library's default size, and the
    // guard page below it; and the block of `block` bytes it keeps for its
    // work, if any, at its most: a mapping of its own, in whole pages with
    // the allocator's words.
    static std::size_t thread_room(std::size_t block = 0);

private:
    UTL_message_queue* work_;
    UTL_message_queue* retired_;
    int slots_;
    int outstanding_ = 0;
    std::vector<unsigned long> threads_, joins_, ids_;
    std::vector<void*> stacks_;  // per thread, each of stack_room_ bytes, the guard first
    std::size_t stack_room_ = 0;
};
