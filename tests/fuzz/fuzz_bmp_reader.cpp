// The BMP reader parses its header by hand from whatever a picture file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/shell_hooks.h"
#include "core/xmap.h"
#include "gfx/image_files.h"

namespace {

void quiet_alert(int, const std::string&, const std::string&, const std::string&,
                 const std::string&, int, const char*, int) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    set_alert_hook(quiet_alert);
    const uint8_t how = data[0];
    static const unsigned int formats[] = {GL_ALPHA, GL_RGB, GL_RGBA, GL_RGBA};
    std::string file(reinterpret_cast<const char*>(data + 1), size - 1);

    xmap_class map;
    map.begin = map.pos = file.data();
    map.end = file.data() + file.size();
    map.is_resource = 1;
    unsigned char* pixels = nullptr;
    TEX_image_desc desc;
    TEX_load_bmp("fuzz.bmp", &map, pixels, formats[how & 3], (how & 4) ? 64 : 0, (how >> 3) & 1,
                 desc);
    std::free(pixels);
    map.begin = map.pos = map.end = nullptr;
    return 0;
}
