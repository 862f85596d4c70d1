// Pictures loaded by content, whatever their names claim.

#include <png.h>

#include "core/files/xmap.h"
#include "gfx/images/image_files.h"

int TEX_load_any(const std::string& path, unsigned char*& data, unsigned int format,
                 int row_width, int follow_alpha, TEX_image_desc& desc)
{
    xmap_class map(path);
    if (!map.begin || map.size() < 8) return 0;
    if (map.begin[0] == 'B' && map.begin[1] == 'M')
        if (int loaded = TEX_load_bmp(path, &map, data, format, row_width, 0, desc)) return loaded;
    if (png_sig_cmp(reinterpret_cast<png_const_bytep>(map.begin), 0, 8) == 0)
        return TEX_load_png(path, &map, data, format, row_width, 0, follow_alpha, desc);
    return 0;
}

int TEX_load_any_ext(const std::string& path, unsigned char*& data, unsigned int format,
                     int row_width, int follow_alpha, TEX_image_desc& desc)
{
    std::string stem = path;
    if (stem.size() > 4 && stem[stem.size() - 4] == '.') stem.resize(stem.size() - 4);
    if (TEX_load_any(stem + ".png", data, format, row_width, follow_alpha, desc)) return 1;
    return TEX_load_any(stem + ".bmp", data, format, row_width, follow_alpha, desc) ? 1 : 0;
}
