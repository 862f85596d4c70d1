#include "image_fixtures.h"

#include "gfx_test_helpers.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

void append_to_string(png_structp png, png_bytep data, png_size_t n)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), n);
}

void no_flush(png_structp) {}

uint32_t crc_of(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void put_be32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char(v >> shift));
}

void put_chunk(std::string& out, const char* type, const std::string& body)
{
    put_be32(out, uint32_t(body.size()));
    std::string typed = std::string(type, 4) + body;
    out += typed;
    put_be32(out, crc_of(typed));
}

}  // namespace

TEX_image_desc image_desc_of(unsigned int format, int dx, int dy, int pad, int mips)
{
    TEX_image_desc d;
    d.format = format;
    d.dx = dx;
    d.dy = dy;
    d.pad = pad;
    d.has_mipmaps = mips;
    return d;
}

decoded_picture::~decoded_picture() { std::free(data); }

std::string encode_png(const png_recipe& recipe)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("fixture PNG could not be written");
    }
    png_set_write_fn(png, &out, append_to_string, no_flush);
    png_set_IHDR(png, info, png_uint_32(recipe.width), png_uint_32(recipe.height), recipe.bit_depth,
                 recipe.colour_type, recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (recipe.gamma > 0) png_set_gAMA(png, info, recipe.gamma);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < recipe.palette.size(); i += 3)
        palette.push_back({recipe.palette[i], recipe.palette[i + 1], recipe.palette[i + 2]});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!recipe.trns.empty())
        png_set_tRNS(png, info, recipe.trns.data(), int(recipe.trns.size()), nullptr);
    png_write_info(png, info);
    const size_t row_bytes = recipe.rows.size() / size_t(recipe.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < recipe.height; ++y)
        rows.push_back(const_cast<png_bytep>(recipe.rows.data() + row_bytes * y));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string alert_summary()
{
    std::string s;
    for (const gfx_test::alert& a : gfx_test::alerts())
        s += std::to_string(a.level) + ": " + a.line1 + " | " + a.line2 + " | " + a.line3 + " | " +
             a.line4 + "\n";
    return s;
}

std::string png_header_only(uint32_t width, uint32_t height)
{
    std::string out("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    put_be32(ihdr, width);
    put_be32(ihdr, height);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    put_chunk(out, "IHDR", ihdr);
    put_chunk(out, "IEND", "");
    return out;
}

void poke32(std::string& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + i] = char(value >> (8 * i));
}

void poke16(std::string& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = char(value);
    bytes[offset + 1] = char(value >> 8);
}

uint32_t peek32(const std::string& bytes, size_t offset)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes[offset + i])) << (8 * i);
    return v;
}

std::string make_bmp(int width, int height, const std::vector<unsigned char>& bgr)
{
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    std::string out(54, '\0');
    out[0] = 'B';
    out[1] = 'M';
    poke32(out, 2, uint32_t(54 + stride * height));
    poke32(out, 10, 54);
    poke32(out, 14, 40);
    poke32(out, 18, uint32_t(width));
    poke32(out, 22, uint32_t(height));
    poke16(out, 26, 1);
    poke16(out, 28, 24);
    for (int y = 0; y < height; ++y) {
        std::string row(stride, '\0');
        std::memcpy(&row[0], &bgr[size_t(y) * width * 3], size_t(width) * 3);
        out += row;
    }
    return out;
}

std::string dds_header(int width, int height, uint32_t format_flags, const char* fourcc,
                       uint32_t bit_count, bool mips)
{
    std::string h(128, '\0');
    std::memcpy(&h[0], "DDS ", 4);
    poke32(h, 4, 124);
    poke32(h, 8, 0x1007 | (mips ? 0x20000 : 0));
    poke32(h, 12, uint32_t(height));
    poke32(h, 16, uint32_t(width));
    poke32(h, 76, 32);
    poke32(h, 80, format_flags);
    if (fourcc) std::memcpy(&h[84], fourcc, 4);
    poke32(h, 88, bit_count);
    poke32(h, 108, 0x1000 | (mips ? 0x400008 : 0));
    return h;
}

memory_map::memory_map(std::string bytes, const std::string& path) : bytes_(std::move(bytes))
{
    map_.path = path;
    map_.begin = map_.pos = bytes_.data();
    map_.end = bytes_.data() + bytes_.size();
    map_.is_resource = 1;  // nothing to unmap
}

memory_map::~memory_map() { map_.begin = map_.pos = map_.end = nullptr; }
