// The thread layer: which thread is the main one, threads started with an
// optional OpenGL context shared with the main one and a start handshake,
// errors of other threads handed to the main thread (exce.h), the general
// workers with their asynchronous calls, and the global thread pool.
//
// OpenGL belongs to the graphics subsystem and the window shell, so the
// layer reaches it through hooks they install at start-up.  Until then no
// thread gets a context and the global pool has no threads.
#pragma once

#include <pthread.h>

#include <vector>

#include "core/threads/exce.h"         // the errors handed over: warn_exce, quit_exce
#include "core/threads/main_thread.h"  // the layer's state: threads_inited, main_thread

struct UTL_message_queue;
struct __GLXcontextRec;  // GLX's context, opaque here
class UTL_threadpool;

// -- OpenGL hooks ------------------------------------------------------------

struct THREAD_gl_hooks {
    // The threaded-OpenGL capability flag of the graphics subsystem.
    int (*threaded_ogl)() = nullptr;
    // Clears that flag and warns once.
    void (*threaded_ogl_failed)() = nullptr;
    // A context sharing the main one, made on the creating thread; null when
    // there is none.
    __GLXcontextRec* (*make_context_loader)() = nullptr;
    // Makes the context current on the calling (new) thread.
    bool (*set_context_loader)(__GLXcontextRec* context) = nullptr;
};
// Missing entries behave as "no threaded OpenGL".  Set before any thread
// starts.
void THREAD_set_gl_hooks(const THREAD_gl_hooks& hooks);
// The capability flag through its hook; 0 without one.
int THREAD_threaded_ogl();

// -- Threads -----------------------------------------------------------------

// Main thread, once, before anything else here.  From then on alerts
// raised on other threads travel to the main thread.
void THREAD_init();
// Starts `fn(arg)` and returns once the new thread runs; with `want_ogl`
// the thread gets a shared OpenGL context when the driver allows one.
// Whatever escapes `fn` becomes a fatal error for the main thread.
void THREAD_create(void* (*fn)(void*), void* arg, unsigned long* thread, unsigned long* id,
                   unsigned long* join, int want_ogl);
void* THREAD_launch(void* start_block);

// -- Workers and asynchronous calls --------------------------------------------

struct THREAD_call {
    THREAD_call* next;            // free-list link
    UTL_message_queue* done;      // gets the cookie once the call has run
    pthread_mutex_t lock;         // guards result and is_done
    void* (*fn)(void*);
    void* arg;
    void* result;
    int is_done;
    unsigned int cookie;          // never 0: a null item reads as "nothing yet"
};

extern UTL_message_queue* call_queue;
extern pthread_mutex_t free_calls_lock;
extern THREAD_call* free_calls;
extern unsigned int next_cookie;
extern std::vector<unsigned long> worker_threads, worker_threads_join, worker_threads_id;
extern UTL_threadpool* g_threadpool;

// Main thread, once the OpenGL capabilities are known: one worker per
// processor and the global pool.
void THREAD_make_workers();
THREAD_call* THREAD_run_async(void* (*fn)(void*), void* arg);
// 1 once per finished call; timeout -1 waits, 0 polls.
int THREAD_is_done(THREAD_call* call, int timeout_ms);
// The call's result; the record goes back to the free list.
void* THREAD_cleanup(THREAD_call* call);
void* xtaskproc(void*);
// Main thread, once: stops and joins the pool and the workers.
void THREAD_shutdown();
