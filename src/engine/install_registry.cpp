#include "engine/install_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <vector>

#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/files/per_user_folder.h"
#include "core/files/per_user_folder_notice.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/files/folder_listing.h"
#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"
#include "core/files/own_files.h"
#include "engine/installer_state.h"

namespace {

const char kNoPrefsWarning[] = "WARNING: registration of this n-system folder failed!\n";

// The copy would be missing from every road that picks a copy: the user is
// told, with the file and the reason.
int registration_failed(const std::string& registry, int err)
{
    xer << "WARNING: could not append registration file: " << registry << " (error " << err << ")\n";
    __MACIBM_alert(0, UTL_translate_string("I could not add this copy of Nimbrel 9 to the list of installed copies in:", 0),
                   registry, UTL_translate_string("Error: ", 0) + error_str(err),
                   UTL_translate_string("Install Location: ", 0) + dest_dir_path, 1, __FILE__, __LINE__);
    return err;
}

// Lines of any length; CR LF files read like LF ones.
bool read_registry_line(std::istream& in, std::string& line)
{
    if (!std::getline(in, line)) return false;
    const std::size_t cr = line.find('\r');
    if (cr != std::string::npos) line.erase(cr);
    return true;
}

// The most of a registry that is read: it holds one folder path a line,
// a few thousand bytes at the very most, so 1 MiB lists hundreds of the
// longest paths and thousands of ordinary ones.
constexpr size_t kMostRegistryBytes = size_t(1) << 20;

// The registry's text: "" when there is none, when what stands at its name
// is not the user's own file (nothing this program wrote), or when it is
// larger than any registry the program writes (set aside: the list is
// taken for empty, and the next run finds none).
std::string registry_text(const std::string& registry)
{
    return read_own_file_or_none(registry, kMostRegistryBytes, "the registry of installed copies");
}

// No per-user folder: the user hears why once, where it mattered.  0 when
// there is simply none (HOME unset), else EACCES: the folder is there but
// cannot be used, and the copy is not listed.
int no_registry()
{
    xer << kNoPrefsWarning;
    tell_per_user_folder_trouble();
    return per_user_folder_trouble().empty() ? 0 : EACCES;
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
        no_registry();
        return;
    }
    std::istringstream in(registry_text(registry));
    std::string line;
    while (read_registry_line(in, line))
        if (!line.empty() && dir_exists(line)) all_nsystems.push_back(line);
}

int register_new_nimbrel()
{
    const std::string registry = registry_file_path();
    if (registry.empty()) return no_registry();
    if (dest_dir_path.empty()) return 0;
    // One path per line: a line end inside the path would register a
    // different folder, or two.
    if (dest_dir_path.find_first_of("\r\n") != std::string::npos) {
        xer << "WARNING: not registering a folder whose name holds a line break: \""
            << dest_dir_path << "\"\n";
        return registration_failed(registry, EINVAL);
    }
    {
        std::istringstream in(registry_text(registry));
        std::string line;
        while (read_registry_line(in, line))
            if (line == dest_dir_path) return 0;
    }
    // Never written through a second name of another file, as an earlier
    // version's registry in a folder others could write may be.
    const int fd = open_own_file(registry, O_RDWR | O_APPEND);
    if (fd < 0) return registration_failed(registry, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return registration_failed(registry, err);
    }
    std::string text = dest_dir_path + "\n";
    // A last line without its line end (written by hand, or cut short)
    // would run into this one, and both folders would be lost.
    char last = '\n';
    if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
        text.insert(0, 1, '\n');
    int err = 0;
    for (size_t done = 0; done < text.size() && !err;) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR)
            err = errno;
    }
    if (::close(fd) != 0 && !err) err = errno;
    return err ? registration_failed(registry, err) : 0;
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
