// Run-length streams of RGBA pictures, cut into tiles so that any tile can
// be found by skipping whole tokens and decoded on demand.
//
// A stream is 32-bit words in native order, read as tokens: n > 0 and n
// literal pixels; n < 0 and one pixel repeated -n times; 0 ends the stream.
// A pixel word is one RGBA pixel as stored (bytes R, G, B, A); the word 0
// is transparent black.  Each picture row is region_width / tile_width
// tiles of exactly tile_width pixels, none sharing a token with the next;
// every stream ends with the word 0, and rows past it decode as
// transparent black.
#pragma once

#include "gfx/images/image_desc.h"

// Encodes a GL_RGBA picture (stride 4 x dx + pad).  `stream` receives a
// malloc block the caller frees.  Picture columns beyond region_width are
// left out; tiles beyond the picture's width are transparent.
void TEX_pack_image_rle(const TEX_image_desc& desc, const unsigned char* pixels,
                        int region_width, int region_height, int tile_width,
                        unsigned char*& stream);

// Decoders of a width x rows rectangle into `out` (4 bytes per pixel, rows
// back to back): `skip` pixels of the stream are passed over first and
// `gap` pixels after each row.  A token that crosses the rectangle's edge
// is cut there and its rest counts towards the gap, so any skip, gap and
// width are safe, not only whole tiles.
void TEX_unpack_image_rle(const unsigned char* stream, int skip, int gap, int width, int rows,
                          unsigned char* out);
// Draws the decoded pixels over `out` with their alpha scaled by
// `opacity` (256 = full); transparent pixels leave `out` alone.
void TEX_unpack_composite_rle(const unsigned char* stream, int skip, int gap, int width,
                              int rows, unsigned char* out, int opacity);
// Decodes two streams of the same layout in step: output channel k is
// colour channel k times clamp(sum over j of (mix channel j x m_j[k] >> 8)
// + bias[k], 0, 256) / 256.  Once the mix stream ends colours pass
// unchanged.
void TEX_unpack_multi_mix_rle(const unsigned char* colour_stream, const unsigned char* mix_stream,
                              int skip, int gap, int width, int rows, unsigned char* out,
                              int* m0, int* m1, int* m2, int* m3, int* bias);
// Interleaves four channel arrays into `count` RGBA pixels; a null array
// gives 0 for its channel.
void TEX_pack_rgba(const unsigned char* r, const unsigned char* g, const unsigned char* b,
                   const unsigned char* a, int count, unsigned char* out);
