// Picture files made in memory for the reader tests: PNG through libpng's
// writer, BMP and DDS byte by byte, and a mapped-file object over them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/files/xmap.h"
#include "gfx/images/image_desc.h"

TEX_image_desc image_desc_of(unsigned int format, int dx, int dy, int pad = 0, int mips = 0);

// What a reader returned, its buffer freed with the object.
struct decoded_picture {
    int result = 0;
    unsigned char* data = nullptr;
    TEX_image_desc desc;
    decoded_picture() = default;
    decoded_picture(const decoded_picture&) = delete;
    decoded_picture& operator=(const decoded_picture&) = delete;
    ~decoded_picture();
    std::vector<unsigned char> range(size_t from, size_t to) const
    {
        return std::vector<unsigned char>(data + from, data + to);
    }
};

struct png_recipe {
    int width = 1, height = 1;
    int colour_type = 2;  // PNG_COLOR_TYPE_RGB
    int bit_depth = 8;
    bool interlaced = false;
    double gamma = 1.0 / 2.2;  // the gAMA chunk; 0 for none.  1/2.2 reads back unchanged
    // Rows top first, packed as the file stores them (bit depth and
    // channels of the colour type).
    std::vector<unsigned char> rows;
    std::vector<unsigned char> palette;  // RGB triples
    std::vector<unsigned char> trns;     // palette alphas
};

std::string encode_png(const png_recipe& recipe);
// Every alert recorded so far, one per line, for failure messages.
std::string alert_summary();

// A signature, an IHDR claiming the size (8-bit RGB) and IEND: no pixels.
std::string png_header_only(uint32_t width, uint32_t height);

// A 24-bit bitmap: `bgr` rows bottom first, each width x 3 bytes (the
// padding to four bytes is added here).
std::string make_bmp(int width, int height, const std::vector<unsigned char>& bgr);
void poke32(std::string& bytes, size_t offset, uint32_t value);
void poke16(std::string& bytes, size_t offset, uint16_t value);
uint32_t peek32(const std::string& bytes, size_t offset);

// A DDS header (128 bytes) with the given pixel-format flags and FourCC;
// the mipmap bits set when `mips`.
std::string dds_header(int width, int height, uint32_t format_flags, const char* fourcc,
                       uint32_t bit_count, bool mips);

// An xmap_class over bytes held in memory, as a built-in resource is.
class memory_map {
public:
    explicit memory_map(std::string bytes, const std::string& path = "test-image");
    ~memory_map();
    memory_map(const memory_map&) = delete;
    memory_map& operator=(const memory_map&) = delete;
    xmap_class* get() { return &map_; }

private:
    std::string bytes_;
    xmap_class map_;
};
