// The server list's lines after the header, on arbitrary bytes: whatever a
// server sends, the reader stays inside the data and keeps at most ten rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/files/xmap.h"
#include "engine/installer_state.h"
#include "engine/server_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    xmap_class list;
    list.is_resource = 1;  // borrowed bytes: never unmapped
    list.begin = list.pos = reinterpret_cast<const char*>(data);
    list.end = list.begin + size;
    std::string newer_installer;
    read_server_rows(list, newer_installer);
    if (stg.server_count < 0 || stg.server_count > kMaxServers) abort();
    list.begin = list.pos = list.end = nullptr;
    return 0;
}
