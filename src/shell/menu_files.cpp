#include "shell/menu_files.h"

#include "core/files/xmap.h"
#include "core/shell_hooks.h"
#include "core/text/languages.h"
#include "engine/installer_state.h"
#include "shell/menu_model.h"
#include "shell/mnw_state.h"

namespace {

// The next line, its leading blanks and tabs dropped; false at the end of
// the data.  Empty lines and the next line's indentation are passed over.
bool next_line(xmap_class& map, std::string& line)
{
    map.TXT_skip_delimiters();
    if (map.TXT_at_end()) return false;
    line = map.TXT_rest_of_line();
    map.TXT_skip_delimiters();
    return true;
}

std::string menu_folder()
{
    // Start-up settles the language before anyone reads menus; an unsettled
    // one must not index past the language table.
    const int language = mnw.language >= 0 && mnw.language < kLangCount ? mnw.language : 0;
    return UTL_lang_get_folder(language);
}

}  // namespace

menu_line split_menu_line(const std::string& line)
{
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) return {str_to_int(line), std::string()};
    const size_t text = line.find_first_not_of(' ', blank);
    return {str_to_int(line.substr(0, blank)),
            text == std::string::npos ? std::string() : line.substr(text)};
}

void MACIBM_read_menus(std::string folder, std::string name)
{
    const std::string path = folder + "menus/" + menu_folder() + name;
    xmap_class map(path);
    static const int versions[] = {1, 0};
    if (!map.begin || !map.check_file(kHeaderText, versions, nullptr, nullptr)) {
        __MACIBM_alert(0, "Cannot open file!", path, "Trash this copy and re-install Nimbrel.", "",
                       2, __FILE__, __LINE__);
        return;
    }
    read_menu_blocks(map);
}

void read_menu_blocks(xmap_class& map)
{
    std::string line;
    int m = 0;
    while (next_line(map, line)) {
        if (line == "-") continue;  // a stray close where a menu should begin opens none
        const menu_line head = split_menu_line(line);
        MACIBM_create_menu(m, head.number, head.text);
        for (int i = 0;; ++i) {
            if (!next_line(map, line)) return;
            if (line == "-") break;
            const menu_line item = split_menu_line(line);
            MACIBM_append_menu(m, i, item.number, item.text);
        }
        ++m;
    }
}
