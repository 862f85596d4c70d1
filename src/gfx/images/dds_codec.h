// DDS files: textures already compressed for the GPU (DXT1, DXT3, DXT5), or
// plain BGR/BGRA, with their mipmap chain.  The reader points into the
// mapped file; the writer compresses with libsquish.
#pragma once

#include <string>

#include "gfx/images/image_desc.h"

class xmap_class;

// 1 when the mapping holds a usable DDS file whose pixel data, the whole
// chain included, lies inside it; `data` then points at byte 128 of the
// mapping, top row first, and lives as long as the mapping.  0 otherwise,
// without a message.  A DXT1 file is described as 0x83F0; TEX_flip_y tells
// whether it uses its transparent colour.
int TEX_load_dds(const std::string& path, xmap_class* map, unsigned char*& data,
                 TEX_image_desc& desc);
// Writes a bottom-first GL_RGB (as DXT1) or GL_RGBA (as DXT5) image with
// its whole mipmap chain to app_path + path.  1 written; 0 when the file
// cannot be created or written completely.
int TEX_save_dds(const std::string& path, const unsigned char* data, const TEX_image_desc& desc);
