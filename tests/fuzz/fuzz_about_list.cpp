// The about box's reading of the server list on arbitrary bytes: it stays
// inside the data, and whatever it offers is a location the HTTP client
// takes without ending the program.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/files/xmap.h"
#include "shell/about_box.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    xmap_class list;
    list.is_resource = 1;  // borrowed bytes: never unmapped
    list.begin = list.pos = reinterpret_cast<const char*>(data);
    list.end = list.begin + size;
    about_state state;
    about_read_list(list, state);
    if (state.ins_state != 1 && state.ins_state != 4) abort();
    if (state.ins_state == 1) {
        const std::string& host = state.installer_server;
        const std::string& path = state.installer_path;
        if (host.empty() || host.back() == '/' || path.empty() || path[0] != '/') abort();
    }
    if (state.ins_state == 4 && state.err_msg.empty()) abort();
    list.begin = list.pos = list.end = nullptr;
    return 0;
}
