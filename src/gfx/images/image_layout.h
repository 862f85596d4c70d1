// Where the rows of a decoded picture go in its buffer, shared by the PNG
// and BMP readers: bottom row first, rows padded to a wanted width or both
// sides padded to powers of two for texture upload.
#pragma once

#include <cstddef>
#include <string>

// The largest picture a reader accepts.  No texture of the program comes
// near either limit; a header that claims more is damaged or hostile, and
// refusing it before allocating keeps a bad file from exhausting memory.
constexpr int TEX_max_image_side = 16384;
constexpr long long TEX_max_image_pixels = 1LL << 26;

bool TEX_image_size_ok(long long dx, long long dy);
// 1, 3 or 4 for the formats pictures are read and written in (GL_ALPHA,
// GL_RGB, GL_RGBA); 0 for any other.
int picture_bytes_per_pixel(unsigned int format);
// The smallest power of two at or above n (1 for n of 1 or less).
int TEX_power_of_two(int n);

struct decoded_rows {
    int bytes_per_pixel = 0;
    int pad = 0;            // bytes after each row's pixels
    int rows = 0;           // rows allocated: the picture's, or the power of two above
    size_t stride = 0;
    size_t bytes = 0;       // the whole buffer
    bool zero_fill = false; // power-of-two mode with room around the picture
};

// Plans the rows of a dx x dy picture.  A `row_width` narrower than the
// picture cannot hold it, and one wider than any picture may be is a
// mistake: a fatal alert naming `path`, and false.
bool plan_decoded_rows(const std::string& path, int dx, int dy, int bytes_per_pixel,
                       int row_width, int power_of_two, decoded_rows& plan);
// Allocates `data` with malloc when it is null (setting `allocated`), else
// uses the caller's buffer; zeroes it when the plan asks.  False, after a
// fatal alert naming `path`, when memory runs out.
bool claim_decoded_buffer(const std::string& path, const decoded_rows& plan,
                          unsigned char*& data, bool& allocated);
