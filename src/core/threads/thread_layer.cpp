#include "core/threads/thread_layer.h"

#include <cxxabi.h>

#include <exception>

#include "core/shell_hooks.h"
#include "core/threads/message_queue.h"
#include "core/threads/utl_thread.h"

namespace {

THREAD_gl_hooks gl_hooks;

void threaded_ogl_failed()
{
    if (gl_hooks.threaded_ogl_failed) gl_hooks.threaded_ogl_failed();
}

// Lives on the creating thread's stack until the new thread has answered
// the handshake.
struct start_block {
    void* (*fn)(void*);
    void* arg;
    UTL_message_queue* handshake;
    int want_ogl;
    __GLXcontextRec* loader;
};

}  // namespace

void THREAD_set_gl_hooks(const THREAD_gl_hooks& hooks) { gl_hooks = hooks; }

int THREAD_threaded_ogl() { return gl_hooks.threaded_ogl ? gl_hooks.threaded_ogl() : 0; }

void THREAD_init()
{
    main_thread = UTL_get_current_thread();
    UTL_message_queue_create(&warn_exce);
    UTL_message_queue_create(&quit_exce);
    UTL_critical_section_create(&free_calls_lock);
    UTL_message_queue_create(&call_queue);
    threads_inited = 1;
    set_alert_handoff(THREAD_hand_over_alert);
}

void THREAD_create(void* (*fn)(void*), void* arg, unsigned long* thread, unsigned long* id,
                   unsigned long* join, int want_ogl)
{
    int ogl = want_ogl && THREAD_threaded_ogl();
    __GLXcontextRec* loader = nullptr;
    if (ogl) {
        loader = gl_hooks.make_context_loader ? gl_hooks.make_context_loader() : nullptr;
        if (!loader) {
            ogl = 0;
            threaded_ogl_failed();
        }
    }
    const int expected = ogl;
    start_block block{fn, arg, nullptr, ogl, loader};
    UTL_message_queue_create(&block.handshake);
    UTL_thread_create(THREAD_launch, &block, thread, id, join);
    UTL_message_queue_read(block.handshake, -1);
    UTL_message_queue_destroy(block.handshake);
    // The new thread clears the flag when it could not make the context current.
    if (block.want_ogl != expected) threaded_ogl_failed();
}

// UBSan sees the forced unwind's null exception object bound to the
// handler's reference and stops the thread's orderly end.
__attribute__((no_sanitize("null"))) void* THREAD_launch(void* raw)
{
    start_block* block = static_cast<start_block*>(raw);
    if (block->want_ogl &&
        !(gl_hooks.set_context_loader && gl_hooks.set_context_loader(block->loader)))
        block->want_ogl = 0;
    void* (*fn)(void*) = block->fn;
    void* arg = block->arg;
    // The last touch of the block: the creator's stack frame goes once it
    // has read this.
    UTL_message_queue_write(block->handshake, nullptr);

    exce_class escaped;
    try {
        return fn(arg);
    } catch (abi::__forced_unwind&) {
        // A thread ending inside (pthread_exit, cancellation) unwinds as an
        // exception that must pass, or glibc aborts the whole process.
        throw;
    } catch (exce_class& error) {
        escaped = error;
        escaped.MakeFatal();
    } catch (std::exception& error) {
        escaped = exce_class("Caught an unhandled C++ exception", error.what(), "", "",
                             __FILE__, __LINE__, 2);
    } catch (...) {
        escaped = exce_class("Caught an unhandled unknown exception", "", "", "",
                             __FILE__, __LINE__, 2);
    }
    THREAD_send_exception(escaped);
    return nullptr;
}
