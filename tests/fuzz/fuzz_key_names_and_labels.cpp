// Texts the user or a caller hands the key bindings, the command registry
// and the widget labels: key names and numbers, modifier names, command
// filters and completions, and "left|right{ help" labels.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/command_registry.h"
#include "shell/keys.h"
#include "widgets/widget_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    const int vkey = keys.str_to_vkey(text);
    if (vkey < 0) std::abort();
    keys.vkey_to_str(vkey);
    keys.flag_to_str(keys.str_to_flag(text));

    std::string left, right, help;
    BTN_expand_label(text, &left, &right, &help);
    if (left.size() + right.size() + help.size() > text.size()) std::abort();

    std::vector<std::string> out;
    cmnd.get_cmnds_by_filter(text, out);
    cmnd.get_cmds_in_path(text, out);
    std::string completion = text;
    if (cmnd.tab_complete_cmnd(completion) && completion.compare(0, text.size(), text) != 0)
        std::abort();
    cmnd.press_one(cmnd.get_cmnd_by_name(text) + static_cast<int>(size % 3) - 1);
    return 0;
}
