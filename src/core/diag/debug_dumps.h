// Small debugging services: a broken network connection made harmless, hex
// dumps, numbered stack listings and code addresses with their symbols.
// No symbol information is looked up on this platform: every address prints
// as its value followed by " (???)".
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

// Writing to a closed socket then fails with an error instead of ending
// the program.
void UTL_debug_init();
void UTL_get_debug_symbol(void* address, symbol_info* out);
int UTL_valid_memory(void* p, unsigned int size, int, int);
void print_symbol(FILE* f, void* address);
// Entry 0 is `address` when given, then the return addresses of the frame
// chain while it climbs the stack, at most up to entry 99.
void UTL_dump_stack(FILE* f, stack_frame* frame, void* address);
// Rows of 16 bytes: hex in groups of four, then the printable characters.
void dump_hex(FILE* f, void* data, int length);
