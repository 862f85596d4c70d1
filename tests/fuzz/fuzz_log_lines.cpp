// The log's line splitting takes whatever bytes callers format into it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/diag/log_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    xer.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    xer << std::flush;
    return 0;
}
