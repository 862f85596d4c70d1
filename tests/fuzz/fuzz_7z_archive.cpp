// p7z_to_file takes whatever an install DVD holds.
#include <cstddef>
#include <cstdint>

#include "archive_sandbox.h"
#include "core/archives/archives.h"

// A 7z header may ask for a table of any size, and libarchive allocates
// what it asks.  Outside the fuzzer such a request fails (or gets pages
// never touched) and the archive reads as damaged; here the sanitizer must
// say no in the same way rather than call it a crash or fill the memory.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    archive_sandbox sandbox("in.7z", data, size);
    std::string last;
    p7z_to_file(sandbox.archive(), sandbox.out_dir(), &last, 0);
    return 0;
}
