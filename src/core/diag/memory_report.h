// The memory report and byte counts scaled for display.  The global
// operator new and delete are replaced in memory_report.cpp, so every `new`
// in the program passes one place.
#pragma once

#include <cstddef>
#include <new>

// Tagged forms: the tag (source name and line) is accepted and ignored.
void* operator new(std::size_t size, const char* tag, int line);
void* operator new[](std::size_t size, const char* tag, int line);
void* operator new(std::size_t size, const std::nothrow_t&, const char* tag, int line) noexcept;
void* operator new[](std::size_t size, const std::nothrow_t&, const char* tag, int line) noexcept;
void operator delete(void* block, const char* tag, int line) noexcept;
void operator delete[](void* block, const char* tag, int line) noexcept;

// Logs the note and leaves an empty "MemoryLog.txt" in the folder of the
// run's own files, whatever the working folder (none when the run has no
// such folder; app_path names another, for tests), truncated by the first
// report of a run.
void dump_mem_stats(const char* note);
// As at the start of a run: the next report truncates (tests).
void dump_mem_stats_start_over();
// The function of the remote command "Dump Memory Info".
void DumpMemCmd();

// The byte count in the unit that suits it, truncated: B, K, M or G.
int mem_to_number(unsigned long long bytes);
char mem_to_suffix(unsigned long long bytes);
