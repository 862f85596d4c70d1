// The header check and the text steps take whatever bytes a downloaded
// server list, manifest or translation table holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/diag/log_stream.h"
#include "core/files/xmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int versions[] = {820, 840, 900, 0};
    if (size == 0) return 0;
    // The first byte picks the kind and the keyword; the rest is the file.
    const uint8_t mode = data[0];
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    xmap_class map;
    map.begin = map.pos = bytes.data();
    map.end = bytes.data() + bytes.size();
    map.is_resource = 1;  // not ours to unmap
    std::string rest;
    int kind = (mode & 1) ? kHeaderBinary : kHeaderText;
    const char* keyword = (mode & 2) ? "INSTALLER" : nullptr;
    if (map.begin == map.end) return 0;
    map.check_file(kind, versions, keyword, (mode & 4) ? &rest : nullptr);

    // Walk the remainder as the manifest and server-list readers do.
    while (!map.TXT_at_end()) {
        const char* before = map.pos;
        map.TXT_token();
        map.TXT_int();
        map.TXT_rest_of_line();
        map.TXT_xer_line();
        map.TXT_next_line();
        if (map.pos == before) break;
    }
    map.pos = map.begin;
    while (map.read_32() || map.read_16()) {}
    map.begin = map.pos = map.end = nullptr;
    return 0;
}
