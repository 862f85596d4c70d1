// What the picture readers' fuzz targets share: alerts that only return
// (damaged files raise fatal alerts by design) and a mapped-file object
// over the input bytes.
#pragma once

#include <cstddef>
#include <string>

#include "core/shell_hooks.h"
#include "core/xmap.h"

inline void quiet_alert(int, const std::string&, const std::string&, const std::string&,
                        const std::string&, int, const char*, int) {}

// An xmap_class over bytes the caller keeps alive, as a built-in resource.
class borrowed_map {
public:
    borrowed_map(const char* begin, size_t size)
    {
        set_alert_hook(quiet_alert);
        map.begin = map.pos = begin;
        map.end = begin + size;
        map.is_resource = 1;  // not ours to unmap
    }
    ~borrowed_map() { map.begin = map.pos = map.end = nullptr; }
    borrowed_map(const borrowed_map&) = delete;
    borrowed_map& operator=(const borrowed_map&) = delete;

    xmap_class map;
};
