// The PNG reader takes pictures from the program's folder, which a user or a
// damaged download may have replaced with anything.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfx/image_files.h"
#include "image_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte picks how the caller asks; the rest is the file, copied
    // to its exact size so a read past its end is caught.
    const uint8_t how = data[0];
    static const unsigned int formats[] = {GL_ALPHA, GL_RGB, GL_RGBA, GL_RGBA};
    const std::vector<char> file(data + 1, data + size);
    borrowed_map in(file.data(), file.size());
    unsigned char* pixels = nullptr;
    TEX_image_desc desc;
    TEX_load_png("fuzz.png", &in.map, pixels, formats[how & 3], (how & 4) ? 64 : 0,
                 (how >> 3) & 1, (how >> 4) & 1, desc);
    std::free(pixels);
    return 0;
}
