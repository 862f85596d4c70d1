// The BMP reader parses its header by hand from whatever a picture file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfx/images/image_files.h"
#include "image_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte picks how the caller asks; the rest is the file, copied
    // to its exact size so a read past its end is caught.
    const picture_request ask = request_from(data[0]);
    const std::vector<char> file(data + 1, data + size);
    borrowed_map in(file.data(), file.size());
    unsigned char* pixels = nullptr;
    TEX_image_desc desc;
    TEX_load_bmp("fuzz.bmp", &in.map, pixels, ask.format, ask.row_width, ask.power_of_two, desc);
    std::free(pixels);
    return 0;
}
