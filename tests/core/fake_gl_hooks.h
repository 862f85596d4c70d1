// Stand-ins for the graphics subsystem's threaded-OpenGL flag and the
// shell's loader contexts, for the thread layer's tests.
#pragma once

#include <atomic>

#include "core/threads/thread_layer.h"

struct fake_gl {
    static inline int threaded = 0;
    static inline int failures = 0;          // threaded_ogl_failed calls
    static inline std::atomic<int> made{0};  // loader contexts asked for
    static inline bool can_make = true;
    static inline bool can_set = true;
    static inline std::atomic<int> set_calls{0};

    // Installs the hooks with threaded OpenGL on or off.
    static void install(int threaded_on)
    {
        threaded = threaded_on;
        failures = 0;
        made = 0;
        set_calls = 0;
        can_make = can_set = true;
        THREAD_gl_hooks hooks;
        hooks.threaded_ogl = [] { return threaded; };
        hooks.threaded_ogl_failed = [] {
            // As the graphics subsystem does: warn only while the flag is on.
            if (!threaded) return;
            threaded = 0;
            ++failures;
        };
        hooks.make_context_loader = []() -> __GLXcontextRec* {
            ++made;
            return can_make ? reinterpret_cast<__GLXcontextRec*>(&made) : nullptr;
        };
        hooks.set_context_loader = [](__GLXcontextRec*) {
            ++set_calls;
            return can_set;
        };
        THREAD_set_gl_hooks(hooks);
    }
    static void uninstall() { THREAD_set_gl_hooks(THREAD_gl_hooks()); }
};
