// PNG and BMP pictures read into buffers ready for upload, and PNG files
// written from buffers.
//
// Readers deliver the bottom row first (OpenGL order), correct for the
// display's gamma and allocate `data` with malloc only when it is null on
// entry (the caller frees it).  They return 0 for a file that is not of
// their kind; a file of their kind that is damaged, too large or not
// supported raises a fatal alert and, should the alert return, gives 0
// with nothing allocated.
#pragma once

#include <string>

#include "gfx/images/image_desc.h"

class xmap_class;

// `format` is GL_ALPHA, GL_RGB or GL_RGBA.  `row_width` (0 for none) pads
// every row to that many pixels; `power_of_two` instead pads both sides to
// powers of two, zero-filled.  With `follow_alpha` the file decides between
// GL_RGB and GL_RGBA.
int TEX_load_png(const std::string& path, xmap_class* map, unsigned char*& data,
                 unsigned int format, int row_width, int power_of_two, int follow_alpha,
                 TEX_image_desc& desc);
// 24-bit uncompressed bitmaps; pure magenta becomes transparent in GL_RGBA.
int TEX_load_bmp(const std::string& path, xmap_class* map, unsigned char*& data,
                 unsigned int format, int row_width, int power_of_two, TEX_image_desc& desc);

// Loads a PNG or a BMP by its content, whatever its name says.
int TEX_load_any(const std::string& path, unsigned char*& data, unsigned int format,
                 int row_width, int follow_alpha, TEX_image_desc& desc);
// Loads the picture under its stem with ".png", else with ".bmp".
int TEX_load_any_ext(const std::string& path, unsigned char*& data, unsigned int format,
                     int row_width, int follow_alpha, TEX_image_desc& desc);

// Writes a bottom-first GL_ALPHA, GL_RGB or GL_RGBA buffer as an upright
// PNG at app_path + path.  1 written; 0 when the file cannot be created or
// written completely (a full disk), the partial file left behind.
int TEX_save_png(const std::string& path, const TEX_image_desc& desc, const unsigned char* data);
// Writes the start of the shared pixel buffer `scratch_array` (bottom row
// first, no padding) as a PNG: RGBA when `channels` is 4, else RGB.  0 when
// the picture would not fit in the buffer.
int write_png_to_disk(std::string path, int width, int height, int channels);
