// Preloaded into the installer by bench_startup: notes the moment of the
// first buffer swap (CLOCK_MONOTONIC, nanoseconds) in the file named by
// NIMBREL_FIRST_SWAP_FILE, then swaps as usual.
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" void glXSwapBuffers(void* display, unsigned long drawable)
{
    using swap_fn = void (*)(void*, unsigned long);
    static swap_fn real = reinterpret_cast<swap_fn>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static bool noted = false;
    if (!noted) {
        noted = true;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (const char* path = std::getenv("NIMBREL_FIRST_SWAP_FILE")) {
            // Written aside and renamed, so the reader never sees half a number.
            const std::string aside = std::string(path) + ".part";
            if (FILE* f = std::fopen(aside.c_str(), "w")) {
                std::fprintf(f, "%lld\n", now.tv_sec * 1000000000LL + now.tv_nsec);
                std::fclose(f);
                std::rename(aside.c_str(), path);
            }
        }
    }
    if (real) real(display, drawable);
}
