// p7z_to_file takes whatever an install DVD holds.
#include <cstddef>
#include <cstdint>

#include "archive_sandbox.h"
#include "core/archives/archives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    archive_sandbox sandbox("in.7z", data, size);
    std::string last;
    p7z_to_file(sandbox.archive(), sandbox.out_dir(), &last, 0);
    return 0;
}
