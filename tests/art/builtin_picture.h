// A built-in picture decoded by the program's own PNG reader, addressed
// from its top-left corner as the image file is.
#pragma once

#include <cstdlib>
#include <string>

#include "core/files/xmap.h"
#include "gfx/images/image_files.h"

struct builtin_picture {
    int width = 0, height = 0;
    unsigned char* data = nullptr;  // RGBA, bottom row first

    explicit builtin_picture(const std::string& name)
    {
        xmap_class map("RESOURCE:" + name);
        TEX_image_desc desc;
        if (TEX_load_png(name, &map, data, GL_RGBA, 0, 0, 0, desc)) {
            width = desc.dx;
            height = desc.dy;
        }
    }
    ~builtin_picture() { std::free(data); }
    builtin_picture(const builtin_picture&) = delete;
    builtin_picture& operator=(const builtin_picture&) = delete;

    bool loaded() const { return data != nullptr && width > 0; }
    // Channel k (0 red ... 3 alpha) of the pixel at column x, row y from the top.
    int at(int x, int y, int k) const
    {
        return data[(size_t(height - 1 - y) * width + x) * 4 + k];
    }
    int alpha(int x, int y) const { return at(x, y, 3); }
    bool same_pixel(int x0, int y0, int x1, int y1) const
    {
        for (int k = 0; k < 4; ++k)
            if (at(x0, y0, k) != at(x1, y1, k)) return false;
        return true;
    }
};
