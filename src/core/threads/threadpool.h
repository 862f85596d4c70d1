// A pool of thread-layer threads running self-describing tasks from one
// queue, with a barrier that halts every thread and a synchronisation point
// at which all of them meet.
#pragma once

#include <atomic>
#include <vector>

struct UTL_message_queue;
class UTL_threadpool;

class UTL_pool_task {
public:
    virtual ~UTL_pool_task() = default;
    // True when the pool may delete the task after it ran.
    virtual bool do_it() = 0;
    virtual const char* get_debug_name() = 0;
};

// Queue values with a meaning of their own: null stops a thread (or ends a
// barrier's halt), 1 is an empty place that threads pass over.
#define UTL_POOL_SKIP (reinterpret_cast<UTL_pool_task*>(1))

class UTL_threadpool {
public:
    // Threads start with a shared OpenGL context when the driver allows it;
    // 0 threads is allowed (then only help_a_bit runs tasks).
    explicit UTL_threadpool(int threads);
    // Every task queued before still runs; then the threads are joined.
    ~UTL_threadpool();
    UTL_threadpool(const UTL_threadpool&) = delete;
    UTL_threadpool& operator=(const UTL_threadpool&) = delete;

    void queue_task(UTL_pool_task* task, int front);
    void queue_task_multi(UTL_pool_task* task, int count, int front);
    // Runs one queued task on the calling thread; false when none waited.
    bool help_a_bit();
    int get_num_threads() const { return static_cast<int>(threads_.size()); }
    static void* thread_func(void* pool);

private:
    std::vector<unsigned long> threads_, joins_, ids_;
    UTL_message_queue* queue_;
};

// Runs a task the pool's way: delete it when it says so.
void UTL_run_pool_task(UTL_pool_task* task);

class UTL_threadpool_barrier : public UTL_pool_task {
public:
    UTL_threadpool_barrier(UTL_threadpool* pool, const char* name);
    ~UTL_threadpool_barrier() override;

    // Asks every pool thread to halt: at the front, as soon as it finishes
    // its current task; else after the work already queued.
    void halt_pool_start(int front);
    // Returns once every pool thread has halted.
    void halt_pool_finish();
    // A task for one of the halted threads.
    void queue_task(UTL_pool_task* task);
    // Returns once every pool thread is back at its ordinary work.
    void restart_pool();

    bool do_it() override;
    const char* get_debug_name() override { return name_; }

private:
    UTL_message_queue* tasks_;
    UTL_message_queue* replies_;
    UTL_threadpool* pool_;
    const char* name_;
};

class UTL_threadpool_sync : public UTL_pool_task {
public:
    UTL_threadpool_sync(UTL_threadpool* pool, const char* name);
    ~UTL_threadpool_sync() override;

    // Every pool thread meets here; the last to arrive runs `callback(arg)`
    // once while all are inside, then all go on.  With `delete_after` the
    // last to leave has the pool delete the sync.
    void queue_me(void (*callback)(void*), void* arg, int delete_after, int front);

    bool do_it() override;
    const char* get_debug_name() override { return name_; }

private:
    UTL_message_queue* wakeups_;
    UTL_threadpool* pool_;
    void (*callback_)(void*) = nullptr;
    void* arg_ = nullptr;
    std::atomic<int> arrived_{0};
    int expected_ = 0;
    int delete_after_ = 0;
    const char* name_;
};
