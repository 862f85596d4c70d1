// What a driver says about itself is read without trust: the version
// string, and the sizes a picture's header claims before a decode into the
// shared buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "gfx/images/image_header_size.h"
#include "gfx/ogl_capabilities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    OGL_version_number(text.c_str());
    long long dx = 0, dy = 0;
    TEX_peek_image_size(text.data(), text.size(), dx, dy);
    uint32_t token = 0;
    std::memcpy(&token, data, size < sizeof token ? size : sizeof token);
    OGL_get_token_name(token);
    return 0;
}
