#include "core/files/file_header.h"

#include <fcntl.h>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/files/system_paths.h"
#include "core/files/users_own.h"
#include "core/shell_hooks.h"

namespace {

bool listed(int version, const int* versions)
{
    for (const int* v = versions; v && *v; ++v)
        if (*v == version) return true;
    return false;
}

// The folder that holds `path`: up to and including its last '/', where a
// '/' ending the path itself does not count.
std::string folder_of(const std::string& path)
{
    if (path.size() < 2) return std::string();
    size_t slash = path.rfind('/', path.size() - 2);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Opens `full` as a file of the program's own and writes the header:
// false, with `fault` saying why when the file was not the user's to
// write, when that failed.
bool write_header(const std::string& full, int kind, int version, const std::string& copyright, place_fault& fault)
{
    if (ouf.is_open()) ouf.close();
    ouf.clear();
    ouf.open(open_own_file(full, O_TRUNC, fault));
    if (!ouf.is_open()) return false;
    if (kind == kHeaderBinary) {
        unsigned v = static_cast<unsigned>(version);
        char bytes[5] = {'i', char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        ouf.write(bytes, sizeof bytes);
    } else {
        ouf.setf(std::ios::fixed, std::ios::floatfield);
        ouf << "I\n" << version << " version";
        if (copyright != "no-copyright-string") ouf << copyright;
        ouf << "\n";
    }
    return ouf.good();
}

}  // namespace

bool ouf_open(const std::string& path, int kind, int version, const std::string& copyright)
{
    if (kind != kHeaderBinary && kind != kHeaderText)
        __MACIBM_alert(0, "Bad ouf_open type!", path, "", "", 2, __FILE__, __LINE__);

    const std::string full = ouf_path(path);
    place_fault fault;
    if (write_header(full, kind, version, copyright, fault)) return true;
    make_folder(folder_of(path));
    if (write_header(full, kind, version, copyright, fault)) return true;
    if (fault) xer << "Not writing " << full << ": " << fault.text() << ".\n";

    __MACIBM_alert(0,
                   "I could not save the file! Could the directory that the file sits in be missing? "
                   "Or flagged as READ-ONLY by the operating system? (Windows machines typically do this).",
                   full,
                   "Could the file be flagged as read-only? This happens in Windows if you copy it from a CD!",
                   "Try putting this app in the background and then flag the file as NOT read-only, or "
                   "creating the folder listed in the path above.",
                   1, __FILE__, __LINE__);
    return false;
}

std::string ouf_path(const std::string& path)
{
    std::string full = path;
    set_path_to_full(full);
    if (full.size() > 3)
        for (size_t i = full.size() - 3; i < full.size(); ++i)
            if (full[i] >= 'A' && full[i] <= 'Z') full[i] = char(full[i] - 'A' + 'a');
    return full;
}

int xmap_class::check_file(int kind, const int* versions, const char* keyword, std::string* rest)
{
    if (kind != kHeaderBinary && kind != kHeaderText) {
        __MACIBM_alert(0, "Bad check_file type!", "", "", "", 2, __FILE__, __LINE__);
        return 0;
    }
    header_version = 0;
    if (!begin || begin == end) return 0;
    pos = begin;

    int version = 0;
    if (kind == kHeaderBinary) {
        char order = *pos++;
        if (order != 'a' && order != 'i') return 0;
        swap = order == 'a';
        version = static_cast<int>(read_32());  // 0 when cut short: never listed
    } else {
        if (end - begin > 3 && begin[0] == '\xEF' && begin[1] == '\xBB' && begin[2] == '\xBF')
            pos += 3;
        char letter = *pos++;
        TXT_next_line();
        if (letter != 'I' && letter != 'A') return 0;
        version = TXT_int();
        std::string after = TXT_rest_of_line();
        if (rest) *rest = after;
        TXT_skip_delimiters();
    }
    header_version = version;
    if (!listed(version, versions)) return 0;
    if (!keyword) return version;

    TXT_skip_blanks();
    const char* token = pos;
    const std::string word(keyword);
    bool match = static_cast<size_t>(end - pos) >= word.size() &&
                 word.compare(0, word.size(), pos, word.size()) == 0 &&
                 (pos + word.size() == end || TXT_is_delimiter(pos[word.size()]));
    if (!match) {
        pos = token;
        return 0;
    }
    TXT_next_line();
    return version;
}

// -- The reader's own open and close (xmap.h) ---

bool xmap_class::io_file_open(int mode, std::string file, int* versions, int kind)
{
    io_mode = mode;
    if (mode == 1) return ouf_open(file, kind, versions[0], "no-copyright-string");
    if (mode != 0) return false;
    retry(file);
    return begin && check_file(kind, versions, nullptr, nullptr) != 0;
}

void xmap_class::io_file_close()
{
    if (io_mode == 1) ouf.close();
}
