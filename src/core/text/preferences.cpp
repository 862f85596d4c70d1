#include "core/text/preferences.h"

#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text/cmdline.h"
#include "core/core_globals.h"
#include "core/files/file_header.h"
#include "core/text/languages.h"
#include "core/diag/log_stream.h"
#include "core/files/line_tokens.h"
#include "core/files/xmap.h"
#include "core/files/per_user_folder_notice.h"
#include "core/files/system_paths.h"
#include "core/files/own_files.h"

pref_class pref;

namespace {

// -- Keys --------------------------------------------------------------------

struct pref_key {
    int file;
    const char* key;
    bool text;
    int lo, hi;  // integers outside keep the field's value: a hand-edited
                 // file must not hand the program a count, an index or a
                 // swap interval it cannot use.  Flags take any number, and
                 // every reader takes non-zero as on.
};

constexpr int kAny = INT_MIN, kAll = INT_MAX;

// The most of a preference file that is read: the program writes a few
// hundred bytes.
constexpr size_t kMostPreferenceBytes = size_t(1) << 20;

// Per file in the order of reading and writing; the order is the file format.
const pref_key kKeys[] = {
    {10, "_x_res_req_PLN", false, kAny, kAll},
    {10, "_y_res_req_PLN", false, kAny, kAll},
    {10, "_x_res_req_WRL", false, kAny, kAll},
    {10, "_y_res_req_WRL", false, kAny, kAll},
    {10, "_x_res_req_ALL", false, kAny, kAll},
    {10, "_y_res_req_ALL", false, kAny, kAll},
    {10, "_col_res_req", false, kAny, kAll},
    {10, "_use_vsync1", false, 0, 1},
    {10, "_use_vsync2", false, 0, 1},
    {10, "_set_res", false, kAny, kAll},
    {10, "_lang", false, -1, kLangCount - 1},
    {10, "_alias_req", false, kAny, kAll},
    {10, "_keylist_up", false, kAny, kAll},
    {10, "_sec_mon_inuse", false, kAny, kAll},
    {10, "_prefs_found", false, kAny, kAll},
    {11, "_stream_count", false, 0, 4},
    {11, "_log_actions", false, kAny, kAll},
    {11, "_proxy_host", true, 0, 0},
    {11, "_proxy_port", true, 0, 0},
    {11, "_proxy_port_int", false, 0, 65535},
    {11, "_get_beta", false, kAny, kAll},
};
constexpr int kKeyCount = sizeof(kKeys) / sizeof(kKeys[0]);

// The six resolution keys of file 10 come first and pass through these
// ints rather than through bound fields; the width and height bound to the
// "_ALL" keys are copied in and out around them.
constexpr int kResolutionKeys = 6;
int resolution_static[kResolutionKeys];

void* bound[kKeyCount];

int key_index(int file, const std::string& key)
{
    for (int i = 0; i < kKeyCount; ++i)
        if (kKeys[i].file == file && key == kKeys[i].key) return i;
    return -1;
}

int* bound_int(int file, const char* key)
{
    int i = key_index(file, key);
    return i < 0 ? nullptr : static_cast<int*>(bound[i]);
}

bool bind(int file, const std::string& key, void* field, bool text)
{
    int i = key_index(file, key);
    // The planned and world resolutions of file 10 live in this file alone.
    bool kept_here = i >= 0 && file == 10 && (key.find("_PLN") != std::string::npos ||
                                              key.find("_WRL") != std::string::npos);
    if (i < 0 || kKeys[i].text != text || kept_here) {
        xer << "Preference file " << file << " has no " << (text ? "text" : "integer")
            << " key " << key << " to bind\n";
        return false;
    }
    bound[i] = field;
    return true;
}

// Runs one key through the open file, on `field`.
void run_key(scan_class& scan, const pref_key& key, void* field)
{
    if (!field) return;
    if (!key.text) {
        scan.int_io(static_cast<int*>(field), key.key, key.lo, key.hi);
        return;
    }
    std::string& text = *static_cast<std::string*>(field);
    // An unset proxy leaves no line at all.
    if (scan.mode == 1 && text.empty()) return;
    scan.fetch_or_get(text, text, key.key);
}

void correct_resolution(int* field, int fallback)
{
    if (field && (*field < 600 || *field > 9999)) *field = fallback;
}

}  // namespace

bool pref_bind_int(int file, const std::string& key, int* field) { return bind(file, key, field, false); }

bool pref_bind_text(int file, const std::string& key, std::string* field)
{
    return bind(file, key, field, true);
}

void pref_unbind_all()
{
    for (void*& field : bound) field = nullptr;
}

std::string pref_file_path(int file)
{
    switch (file) {
    case 10:
        return "Output/preferences/Res N-System.prf";
    case 11: {
        std::string folder;
        get_OS_abs_path(os_dir_prefs, folder);
        return folder.empty() ? folder : folder + "Nimbrel Installer.prf";
    }
    case 12:
        return "Output/preferences/Cal Nimbrel.prf";
    default:
        return "";
    }
}

// -- pref_class ------------------------------------------------------------------

void pref_class::IO_set(int file, int mode)
{
    std::string path = pref_file_path(file);
    if (path.empty() && mode == 1)
        xer << "Preference file " << file << " has no place (no per-user folder); not written.\n";
    // The settings are read as the program starts: the user hears there,
    // once, why they will not be kept.
    if (path.empty() && file == 11 && mode == 0) tell_per_user_folder_trouble();

    scan_class scan(path, mode);
    int* width = file == 10 ? bound_int(10, "_x_res_req_ALL") : nullptr;
    int* height = file == 10 ? bound_int(10, "_y_res_req_ALL") : nullptr;
    if (file == 10 && mode == 1) {
        if (width) resolution_static[4] = *width;
        if (height) resolution_static[5] = *height;
        if (int* found = bound_int(10, "_prefs_found")) *found = 1;
    }

    int nth = 0;
    for (int i = 0; i < kKeyCount; ++i) {
        if (kKeys[i].file != file) continue;
        if (file == 10 && nth < kResolutionKeys) {
            run_key(scan, kKeys[i], &resolution_static[nth]);
            if (++nth == kResolutionKeys && mode == 0) {
                if (width) *width = resolution_static[4];
                if (height) *height = resolution_static[5];
            }
            continue;
        }
        run_key(scan, kKeys[i], bound[i]);
    }

    if (file == 10) {
        correct_resolution(width, 1024);
        correct_resolution(height, 768);
    }
}

// -- scan_class ------------------------------------------------------------------

scan_class::scan_class(const std::string& path, int mode) : mode(mode), path_(path)
{
    if (mode == 1) {
        // Written beside the file and renamed over it once complete: a full
        // disk must not leave the user's settings half written.
        if (path.empty()) return;
        target_ = ouf_path(path);
        // Whatever an earlier run left at the name (a link among them) is
        // not written through: the file is made anew.
        std::remove((target_ + ".new").c_str());
        writing_ = ouf_open(target_ + ".new", 10001, 92001, "no-copyright-string");
        return;
    }
    // Read only from a file of the user's own, and within a bound far
    // above the few hundred bytes the program writes: a larger one is set
    // aside, and no start of the program ends on it.
    std::string full = path;
    if (!full.empty()) set_path_to_full(full);
    const std::string text =
        full.empty() ? std::string() : read_own_file_or_none(full, kMostPreferenceBytes, "the preference file");
    xmap_class file;
    file.begin = file.pos = text.data();
    file.end = text.data() + text.size();
    file.is_resource = 1;  // the text's own bytes: never unmapped
    static const int versions[] = {92001, 0};
    if (file.check_file(10001, versions, nullptr, nullptr) == 92001)
        pref_parse_lines(file, values);
}

scan_class::~scan_class()
{
    if (!writing_) return;
    ouf.close();
    const std::string temp = target_ + ".new";
    if (ouf.fail()) {
        xer << "The preference file " << path_ << " could not be written completely; the old one is kept.\n";
        std::remove(temp.c_str());
    } else if (std::rename(temp.c_str(), target_.c_str()) != 0) {
        xer << "The preference file " << path_ << " could not be replaced: " << std::strerror(errno) << "\n";
        std::remove(temp.c_str());
    }
}

int scan_class::fetch_or_get(const std::string& out_value, std::string& in_value, const std::string& key)
{
    if (mode == 1) {
        // A line end inside a value would start a line of its own: write
        // only what reading the file back would give.
        size_t keep = 0;
        while (keep < out_value.size() && !is_line_end(out_value[keep])) ++keep;
        if (writing_) ouf << key << " " << out_value.substr(0, keep) << "\n";
        return 0;
    }
    std::string option = "--pref:" + key;
    if (cmdline.has_option(option.c_str())) {
        in_value = cmdline.get_option(option.c_str());
        return 1;
    }
    auto found = values.find(key);
    if (found == values.end()) return 0;
    in_value = found->second;
    return 1;
}

bool scan_class::int_io(int* value, const std::string& key, int lo, int hi)
{
    std::string text = std::to_string(*value);
    if (!fetch_or_get(text, text, key)) return false;
    long read = std::strtol(text.c_str(), nullptr, 10);
    if (read < lo || read > hi) {
        xer << "Preference " << key << " " << text << " is out of range; keeping " << *value << "\n";
        return false;
    }
    *value = static_cast<int>(read);
    return true;
}

void pref_parse_lines(xmap_class& file, std::map<std::string, std::string>& values)
{
    while (!file.TXT_at_end()) {
        std::string key = file.TXT_token();
        values[key] = file.TXT_rest_of_line();  // blanks inside and at the end are kept
        file.TXT_skip_delimiters();             // empty lines too
    }
}
