// A menu file's bytes after its header: whatever lines they hold, the
// reader fills only the table's 1520 menus, and refused indices come back
// as the menu model's alerts, not as reads outside the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "alert_recorder.h"
#include "core/files/xmap.h"
#include "shell/menu_files.h"
#include "shell/menus.h"
#include "shell/mnw_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool once = [] {
        // The model's index checks are fatal in the program; here they return.
        testing_support::alerts_silenced();
        mnw.screen_height = 600;
        return true;
    }();
    (void)once;
    MACIBM_clear_menus(1);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    xmap_class map;
    map.begin = map.pos = bytes.data();
    map.end = bytes.data() + bytes.size();
    map.is_resource = 1;  // not ours to unmap
    read_menu_blocks(map);
    map.begin = map.pos = map.end = nullptr;
    if (menu.size() != kMenuCount) std::abort();
    return 0;
}
