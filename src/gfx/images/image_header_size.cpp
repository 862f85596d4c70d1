#include "gfx/images/image_header_size.h"

#include <png.h>

#include <cstdint>

bool TEX_peek_image_size(const char* data, size_t size, long long& dx, long long& dy)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    if (size >= 26 && p[0] == 'B' && p[1] == 'M') {
        auto le32 = [&](size_t at) {
            return static_cast<int32_t>(static_cast<uint32_t>(p[at]) | static_cast<uint32_t>(p[at + 1]) << 8 |
                                        static_cast<uint32_t>(p[at + 2]) << 16 |
                                        static_cast<uint32_t>(p[at + 3]) << 24);
        };
        dx = le32(18);
        dy = le32(22);
        return true;
    }
    // The signature, then the IHDR chunk: length, "IHDR", width, height.
    if (size >= 24 && png_sig_cmp(p, 0, 8) == 0) {
        auto be32 = [&](size_t at) {
            return static_cast<long long>(static_cast<uint32_t>(p[at]) << 24 |
                                          static_cast<uint32_t>(p[at + 1]) << 16 |
                                          static_cast<uint32_t>(p[at + 2]) << 8 | p[at + 3]);
        };
        dx = be32(16);
        dy = be32(20);
        return true;
    }
    return false;
}
