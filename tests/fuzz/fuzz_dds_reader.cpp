// A DDS file is uploaded straight from its mapping, so the reader must
// accept only files that hold every byte the upload and the flip will touch.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/images/dds_codec.h"
#include "image_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<char> file(data, data + size);
    borrowed_map in(file.data(), file.size());
    unsigned char* pixels = nullptr;
    TEX_image_desc desc;
    if (TEX_load_dds("fuzz.dds", &in.map, pixels, desc)) {
        // The pipeline flips a loaded chain in place: do it on a copy of
        // exactly the bytes the descriptor claims.
        std::vector<unsigned char> chain(pixels, pixels + TEX_bytes_needed_for_image(desc));
        TEX_flip_y(desc, chain.data());
    }
    return 0;
}
