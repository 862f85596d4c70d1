#include "engine/install_registry.h"

#include <fstream>
#include <vector>

#include "core/files/file_ops.h"
#include "core/files/folder_listing.h"
#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"
#include "engine/installer_state.h"

namespace {

const char kNoPrefsWarning[] = "WARNING: registration of this n-system folder failed!\n";

// Lines of any length; CR LF files read like LF ones.
bool read_registry_line(std::istream& in, std::string& line)
{
    if (!std::getline(in, line)) return false;
    const std::size_t cr = line.find('\r');
    if (cr != std::string::npos) line.erase(cr);
    return true;
}

}  // namespace

std::string registry_file_path()
{
    std::string prefs;
    get_OS_abs_path(os_dir_prefs, prefs);
    return prefs.empty() ? prefs : prefs + "nimbrel_install.txt";
}

void locate_all_nimbrels()
{
    all_nsystems.clear();
    const std::string registry = registry_file_path();
    if (registry.empty()) {
        xer << kNoPrefsWarning;
        return;
    }
    std::ifstream in(registry, std::ios::binary);
    std::string line;
    while (read_registry_line(in, line))
        if (!line.empty() && dir_exists(line)) all_nsystems.push_back(line);
}

void register_new_nimbrel()
{
    const std::string registry = registry_file_path();
    if (registry.empty()) {
        xer << kNoPrefsWarning;
        return;
    }
    if (dest_dir_path.empty()) return;
    // One path per line: a line end inside the path would register a
    // different folder, or two.
    if (dest_dir_path.find_first_of("\r\n") != std::string::npos) {
        xer << "WARNING: not registering a folder whose name holds a line break: \""
            << dest_dir_path << "\"\n";
        return;
    }
    {
        std::ifstream in(registry, std::ios::binary);
        std::string line;
        while (read_registry_line(in, line))
            if (line == dest_dir_path) return;
    }
    std::ofstream out(registry, std::ios::binary | std::ios::app);
    if (out) out << dest_dir_path << '\n' << std::flush;
    if (!out) xer << "WARNING: could not append registration file: " << registry << "\n";
}

int path_is_to_a_sim()
{
    std::vector<std::string> names;
    std::vector<int> types;
    // No destination is no copy: the empty path would list the program's
    // own folder.
    if (dest_dir_path.empty() || opensave_getitems(dest_dir_path, 0, names, types) == 0) return 0;

    const char* const needed[] = {"Airfoils", "Instructions", "Output", "Resources"};
    bool found[4] = {};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (types[i] != 1) continue;
        for (int w = 0; w < 4; ++w)
            if (names[i].find(needed[w]) != std::string::npos) found[w] = true;
    }
    return found[0] && found[1] && found[2] && found[3];
}
