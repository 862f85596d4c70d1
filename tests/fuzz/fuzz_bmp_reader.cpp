// The BMP reader parses its header by hand from whatever a picture file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfx/image_files.h"
#include "image_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const uint8_t how = data[0];
    static const unsigned int formats[] = {GL_ALPHA, GL_RGB, GL_RGBA, GL_RGBA};
    const std::vector<char> file(data + 1, data + size);
    borrowed_map in(file.data(), file.size());
    unsigned char* pixels = nullptr;
    TEX_image_desc desc;
    TEX_load_bmp("fuzz.bmp", &in.map, pixels, formats[how & 3], (how & 4) ? 64 : 0,
                 (how >> 3) & 1, desc);
    std::free(pixels);
    return 0;
}
