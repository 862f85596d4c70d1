// The HTTP response parser on arbitrary bytes, cut into arbitrary pieces as
// the network would deliver them.  The first byte chooses the piece size
// and whether the body has a bound.
#include <cstddef>
#include <cstdint>

#include "engine/http_client.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    size_t piece = data[0] % 64 + 1;
    const bool bounded = data[0] & 0x80;
    ++data;
    --size;
    down_class transfer(nullptr);  // the body stays in memory, capped
    if (bounded) transfer.LimitBody(1024);
    while (size > 0) {
        size_t n = size < piece ? size : piece;
        transfer.TakeBytes(reinterpret_cast<const char*>(data), n);
        data += n;
        size -= n;
    }
    (void)transfer.GetPercent();
    (void)transfer.IsComplete();
    return 0;
}
