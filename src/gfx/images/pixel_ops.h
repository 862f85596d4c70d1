// In-place pixel work on caller-owned buffers, as the texture pipeline
// prepares images for upload.  None of these allocate, and none check the
// buffer's size: it must hold TEX_bytes_needed_for_image of its descriptor.
// They know GL_ALPHA, GL_RGB and GL_RGBA images.
#pragma once

#include "gfx/images/image_desc.h"

// Shrinks by power-of-two factors with a box filter (sums shifted, so the
// result truncates) and updates dx and dy; leftover columns and rows drop.
void TEX_downscale(TEX_image_desc& desc, unsigned char* data, int fx, int fy);
// RGBA: pixels with alpha 0 become black, so they compress and filter alike.
void TEX_zap_alpha(const TEX_image_desc& desc, unsigned char* data);
// RGBA without row padding: every transparent pixel takes the average colour
// of the opaque pixels within two pixels of it, so filtering at the edge of
// a transparent area does not pull in arbitrary colour.
void TEX_clean_edge(const TEX_image_desc& desc, unsigned char* data);
// Copies the whole source into the destination with its corner at (x, y);
// the caller keeps the rectangle inside the destination.
void TEX_copy(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc,
              const unsigned char* src, unsigned char* dst, int x, int y);
// RGBA: pixels within `tolerance` (exclusive, sum of channel differences)
// of `key` become transparent.
void TEX_chroma_key(const TEX_image_desc& desc, unsigned char* data,
                    const unsigned char key[3], int tolerance);
// Draws the whole source, bilinearly sampled with its alpha, into the
// destination rectangle given in destination pixels.
void TEX_composite(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc,
                   const unsigned char* src, unsigned char* dst,
                   float left, float bottom, float right, float top);
