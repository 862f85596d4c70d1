// What the picture readers' fuzz targets share: alerts that only return
// (damaged files raise fatal alerts by design) and a mapped-file object
// over the input bytes.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "alert_recorder.h"
#include "core/files/xmap.h"

// How a caller asks for a picture, picked by one byte of the input.
struct picture_request {
    unsigned int format;
    int row_width, power_of_two, follow_alpha;
};

inline picture_request request_from(uint8_t how)
{
    static const unsigned int formats[] = {GL_ALPHA, GL_RGB, GL_RGBA, GL_RGBA};
    return {formats[how & 3], (how & 4) ? 64 : 0, (how >> 3) & 1, (how >> 4) & 1};
}

// An xmap_class over bytes the caller keeps alive, as a built-in resource.
class borrowed_map {
public:
    borrowed_map(const char* begin, size_t size)
    {
        testing_support::alerts_silenced();
        map.begin = map.pos = begin;
        map.end = begin + size;
        map.is_resource = 1;  // not ours to unmap
    }
    ~borrowed_map() { map.begin = map.pos = map.end = nullptr; }
    borrowed_map(const borrowed_map&) = delete;
    borrowed_map& operator=(const borrowed_map&) = delete;

    xmap_class map;
};
