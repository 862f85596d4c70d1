// zip_to_file takes whatever a download server or a DVD hands it.
#include <cstddef>
#include <cstdint>

#include "archive_sandbox.h"
#include "core/archives/archives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    archive_sandbox sandbox("in.zip", data, size);
    std::string first;
    zip_to_file(sandbox.archive(), sandbox.out_dir(), &first, 0);
    return 0;
}
