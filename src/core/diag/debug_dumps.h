// Small debugging services: a broken network connection and a file-size
// limit made harmless, hex dumps, numbered stack listings and code
// addresses with their symbols.  No symbol information is looked up on
// this platform: every address prints as its value followed by " (???)".
#pragma once

#include <cstdio>

struct symbol_info {
    char name[1024];
    void* start;
    char unused_text[1024];
    int unused_word;
    char file[1024];
    int line;  // -1 = none
};

// One link of the chain of saved frame pointers.
struct stack_frame {
    stack_frame* next;  // the caller's frame
    void* ret;          // return address into the caller
};

// Writing to a closed socket, or past the size limit of this process's
// files (ulimit -f), then fails with an error (EPIPE, EFBIG) that the
// writer reports, instead of ending the program without a word.
void UTL_debug_init();
// In a child between fork and exec (async-signal-safe): the signals
// UTL_debug_init ignores back at their default action, as a program
// started from here expects them; an ignored signal outlives exec.
void UTL_debug_signals_to_default();
void UTL_get_debug_symbol(void* address, symbol_info* out);
int UTL_valid_memory(void* p, unsigned int size, int, int);
void print_symbol(FILE* f, void* address);
// Entry 0 is `address` when given, then the return addresses of the frame
// chain while it climbs the stack, at most up to entry 99.
void UTL_dump_stack(FILE* f, stack_frame* frame, void* address);
// Rows of 16 bytes: hex in groups of four, then the printable characters.
void dump_hex(FILE* f, void* data, int length);
