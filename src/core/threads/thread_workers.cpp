// The thread layer's general workers, its asynchronous calls, the global
// pool, and the orderly shut-down of all of it.
#include <cstdint>

#include "core/threads/exce.h"
#include "core/diag/log_stream.h"
#include "core/threads/message_queue.h"
#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "core/threads/threadpool.h"
#include "core/threads/utl_thread.h"

UTL_message_queue* call_queue = nullptr;
pthread_mutex_t free_calls_lock;
THREAD_call* free_calls = nullptr;
unsigned int next_cookie = 0;
std::vector<unsigned long> worker_threads, worker_threads_join, worker_threads_id;
UTL_threadpool* g_threadpool = nullptr;

namespace {

void* const stop_item = reinterpret_cast<void*>(~std::uintptr_t(0));

}  // namespace

void THREAD_make_workers()
{
    int n = UTL_count_processors();
    xer << "CPU count        : " << n << "\n";
    for (int i = 0; i < n; ++i) {
        unsigned long thread = 0, join = 0, id = 0;
        THREAD_create(xtaskproc, nullptr, &thread, &id, &join, 1);
        worker_threads.push_back(thread);
        worker_threads_join.push_back(join);
        worker_threads_id.push_back(id);
    }
    // Checked after the workers: one of them may have found that the driver
    // cannot share contexts after all.
    g_threadpool = new UTL_threadpool(THREAD_threaded_ogl() ? (n - 1 > 1 ? n - 1 : 1) : 0);
}

void* xtaskproc(void*)
{
    for (;;) {
        void* item = UTL_message_queue_read(call_queue, -1);
        if (item == stop_item) return nullptr;
        THREAD_call* call = static_cast<THREAD_call*>(item);
        void* result = call->fn(call->arg);
        UTL_critical_section_lock(&call->lock);
        call->result = result;
        UTL_critical_section_unlock(&call->lock);
        UTL_message_queue_write(call->done, reinterpret_cast<void*>(std::uintptr_t(call->cookie)));
    }
}

THREAD_call* THREAD_run_async(void* (*fn)(void*), void* arg)
{
    UTL_critical_section_lock(&free_calls_lock);
    next_cookie += 4;
    if (next_cookie == 0) next_cookie = 4;
    unsigned int cookie = next_cookie;
    THREAD_call* call = free_calls;
    if (call) free_calls = call->next;
    UTL_critical_section_unlock(&free_calls_lock);

    if (!call) {
        call = new THREAD_call;
        UTL_message_queue_create(&call->done);
        UTL_critical_section_create(&call->lock);
    }
    call->next = nullptr;
    call->result = nullptr;
    call->fn = fn;
    call->arg = arg;
    call->is_done = 0;
    call->cookie = cookie;
    UTL_message_queue_write(call_queue, call);
    return call;
}

int THREAD_is_done(THREAD_call* call, int timeout_ms)
{
    THREAD_check_exception(0);
    void* cookie = UTL_message_queue_read(call->done, timeout_ms);
    THREAD_check_exception(0);
    if (!cookie) return 0;
    UTL_critical_section_lock(&call->lock);
    call->is_done = 1;
    UTL_critical_section_unlock(&call->lock);
    return 1;
}

void* THREAD_cleanup(THREAD_call* call)
{
    THREAD_check_exception(0);
    UTL_critical_section_lock(&call->lock);
    if (!call->is_done) {
        UTL_critical_section_unlock(&call->lock);
        __MACIBM_alert(0, "Thread cleanup called on not-done call.", "", "", "", 2, __FILE__, __LINE__);
        return nullptr;
    }
    void* result = call->result;
    UTL_critical_section_unlock(&call->lock);

    UTL_critical_section_lock(&free_calls_lock);
    call->next = free_calls;
    free_calls = call;
    UTL_critical_section_unlock(&free_calls_lock);
    return result;
}

void THREAD_shutdown()
{
    delete g_threadpool;
    g_threadpool = nullptr;

    std::vector<void*> stops(worker_threads.size(), stop_item);
    UTL_message_queue_multi_write(call_queue, stops.data(), static_cast<int>(stops.size()), 0);
    for (size_t i = 0; i < worker_threads.size(); ++i)
        UTL_thread_join(&worker_threads[i], &worker_threads_join[i]);
    // Joined handles are dead: a later start of the layer must not join them again.
    worker_threads.clear();
    worker_threads_join.clear();
    worker_threads_id.clear();

    UTL_critical_section_destroy(&free_calls_lock);
    UTL_message_queue_destroy(call_queue);
    call_queue = nullptr;
    while (THREAD_call* call = free_calls) {
        free_calls = call->next;
        UTL_message_queue_destroy(call->done);
        UTL_critical_section_destroy(&call->lock);
        delete call;
    }

    // Errors still queued die unreported: the program is ending in order.
    for (UTL_message_queue** queue : {&warn_exce, &quit_exce}) {
        while (void* left = UTL_message_queue_read(*queue, 0)) delete static_cast<exce_class*>(left);
        UTL_message_queue_destroy(*queue);
        *queue = nullptr;
    }
    threads_inited = 0;
    xer << "Clean exit from threads.\n";
}
