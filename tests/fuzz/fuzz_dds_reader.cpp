// A DDS file is uploaded straight from its mapping, so the reader must
// accept only files that hold every byte the upload and the flip will touch.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/shell_hooks.h"
#include "core/xmap.h"
#include "gfx/dds_codec.h"

namespace {

void quiet_alert(int, const std::string&, const std::string&, const std::string&,
                 const std::string&, int, const char*, int) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    set_alert_hook(quiet_alert);
    // An exact-size copy, so reading one byte past the file is caught.
    std::vector<char> file(data, data + size);
    xmap_class map;
    map.begin = map.pos = file.data();
    map.end = file.data() + file.size();
    map.is_resource = 1;
    unsigned char* pixels = nullptr;
    TEX_image_desc desc;
    if (TEX_load_dds("fuzz.dds", &map, pixels, desc)) {
        // The pipeline flips a loaded chain in place: do it on a copy of
        // exactly the bytes the descriptor claims.
        std::vector<unsigned char> chain(pixels, pixels + TEX_bytes_needed_for_image(desc));
        TEX_flip_y(desc, chain.data());
    }
    map.begin = map.pos = map.end = nullptr;
    return 0;
}
