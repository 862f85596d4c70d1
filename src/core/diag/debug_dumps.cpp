#include "core/diag/debug_dumps.h"

#include <signal.h>

#include <cctype>
#include <cinttypes>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

const char* after_last_separator(const char* path)
{
    const char* tail = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') tail = p + 1;
    return tail;
}

// Their default action ends the program with no word of why.
void set_ignored_signals(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    for (int sig : {SIGPIPE, SIGXFSZ}) sigaction(sig, &action, nullptr);
}

}  // namespace

void UTL_debug_init() { set_ignored_signals(SIG_IGN); }

void UTL_debug_signals_to_default() { set_ignored_signals(SIG_DFL); }

void UTL_get_debug_symbol(void*, symbol_info* out)
{
    std::memset(out, 0, sizeof *out);
    out->line = -1;
}

int UTL_valid_memory(void*, unsigned int, int, int) { return 1; }

void print_symbol(FILE* f, void* address)
{
    symbol_info symbol;
    UTL_get_debug_symbol(address, &symbol);
    // The whole pointer: eight digits would cut a 64-bit address in half.
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(address);
    std::fprintf(f, "0x%08" PRIxPTR, at);
    if (symbol.file[0]) std::fprintf(f, " (%s:%d)", after_last_separator(symbol.file), symbol.line);
    if (!symbol.start) {
        std::fputs(" (\?\?\?)\n", f);
        return;
    }
    const std::intptr_t offset = static_cast<std::intptr_t>(at - reinterpret_cast<std::uintptr_t>(symbol.start));
    if (symbol.name[0])
        std::fprintf(f, " (%s + %" PRIdPTR ")\n", after_last_separator(symbol.name), offset);
    else
        std::fprintf(f, " (0x%08" PRIxPTR " + %" PRIdPTR ")\n",
                     reinterpret_cast<std::uintptr_t>(symbol.start), offset);
}

void UTL_dump_stack(FILE* f, stack_frame* frame, void* address)
{
    int entry = 0;
    if (address) {
        std::fprintf(f, " % 2d) ", entry++);
        print_symbol(f, address);
    }
    // A chain that stops climbing is corrupt or at its end: following it
    // could loop or leave the stack.
    for (; frame && entry <= 99; frame = frame->next) {
        std::fprintf(f, " % 2d) ", entry++);
        print_symbol(f, frame->ret);
        if (frame->next <= frame) break;
    }
}

void dump_hex(FILE* f, void* data, int length)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (int row = 0; row < length; row += 16) {
        std::fputc(' ', f);
        for (int i = 0; i < 16; ++i) {
            if (row + i < length)
                std::fprintf(f, "%02X", bytes[row + i]);
            else
                std::fputs("  ", f);
            if (i % 4 == 3 && i < 15) std::fputc(' ', f);
        }
        std::fputs("     ", f);
        for (int i = 0; i < 16; ++i) {
            if (i > 0 && i % 4 == 0) std::fputc(' ', f);
            if (row + i < length)
                std::fputc(std::isprint(bytes[row + i]) ? bytes[row + i] : '.', f);
            else
                std::fputc(' ', f);
        }
        std::fputc('\n', f);
    }
}
