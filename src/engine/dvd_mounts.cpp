// Sections: the mount table and what each mount says; the search's
// memory of what it judged; the search; the public calls.
#include "engine/dvd_mounts.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>

#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/account_lookup.h"
#include "core/files/file_ops.h"
#include "core/files/users_own.h"

namespace {

constexpr char kVersionName[] = "dvd_version.txt";

// File systems that are never a disk, and network ones whose stat can hang
// the frame for as long as the server is away; an automount point would
// mount whatever it guards just to be looked at.
const char* const kSkippedTypes[] = {
    "proc",      "sysfs",      "cgroup",  "cgroup2", "devpts",  "mqueue",      "debugfs",
    "tracefs",   "securityfs", "pstore",  "bpf",     "configfs", "fusectl",    "hugetlbfs",
    "binfmt_misc", "autofs",   "nfs",     "nfs4",    "cifs",    "smb3",        "smbfs",
    "fuse.sshfs", "9p",        "afs",     "ceph",    "glusterfs",
};

bool skipped_type(const std::string& type)
{
    return std::find_if(std::begin(kSkippedTypes), std::end(kSkippedTypes),
                        [&](const char* t) { return type == t; }) != std::end(kSkippedTypes);
}

std::string with_slash(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The mount table writes blanks, tabs, line feeds and backslashes as three
// octal digits after a backslash.
std::string unescape_field(const std::string& field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        const bool escape = field[i] == '\\' && i + 3 < field.size() &&
                            std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                                        [](char c) { return c >= '0' && c <= '7'; });
        if (escape) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// Whether the comma-separated `options` hold `name` whole, or, for a name
// ending in "=", an option of that name; its value goes to `value`.
bool find_option(const std::string& options, const std::string& name, std::string* value = nullptr)
{
    std::istringstream list(options);
    std::string option;
    while (std::getline(list, option, ',')) {
        const bool keyed = !name.empty() && name.back() == '=';
        if (keyed ? option.compare(0, name.size(), name) != 0 : option != name) continue;
        if (value) *value = option.substr(name.size());
        return true;
    }
    return false;
}

// -- The mount table and what each mount says ---

struct mount_entry {
    uint64_t id = 0;
    std::string point;  // ending in "/"
    std::string type, source, options, fs_options;
    bool judged = false;
    mount_judge::verdict verdict = mount_judge::verdict::by_folders;
    std::string rule;
    bool closed = false;  // never to be looked inside
};

// "/media/USER/" or "/run/media/USER/" (as `media_roots` hold them) where
// `path` lies below such a folder (in a mount of its own there), else "".
std::string media_folder_of(const std::string& path, const std::vector<std::string>& media_roots)
{
    for (const std::string& root : media_roots) {
        const size_t length = root.size();
        if (root.empty() || root.back() != '/' || path.compare(0, length, root) != 0) continue;
        const size_t slash = path.find('/', length);
        if (slash == std::string::npos || slash == length || slash + 1 >= path.size()) return "";
        return path.substr(0, slash + 1);
    }
    return "";
}

bool is_fuse(const std::string& type)
{
    return type == "fuse" || type == "fuseblk" || type.compare(0, 5, "fuse.") == 0 ||
           type.compare(0, 8, "fuseblk.") == 0;
}

// "/dev/loopN": the number's folder among the block devices, else "".
std::string loop_device(const std::string& source)
{
    static const std::string kLoop = "/dev/loop";
    if (source.compare(0, kLoop.size(), kLoop) != 0 || source.size() == kLoop.size()) return "";
    const std::string number = source.substr(kLoop.size());
    if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) return "";
    return "loop" + number;
}

class mount_table final : public mount_judge {
public:
    mount_table(const std::string& text, const dvd_search_places& places, const std::string& trusted_media)
    {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            mount_entry entry;
            if (!parse(line, entry)) continue;
            by_id_[entry.id] = entries_.size();
            by_point_[entry.point] = entries_.size();  // the last mounted there is the one seen
            entries_.push_back(std::move(entry));
        }
        // A loop's file is judged on the mounts before it, so the plain
        // mounts come first.
        for (mount_entry& entry : entries_)
            if (loop_device(entry.source).empty()) judge_entry(entry, places, trusted_media);
        for (mount_entry& entry : entries_)
            if (!entry.judged) judge_entry(entry, places, trusted_media);
    }

    bool may_enter(const std::string& path, std::string& rule) const override
    {
        const auto at = by_point_.find(path);
        if (at == by_point_.end() || !entries_[at->second].closed) return true;
        rule = entries_[at->second].rule;
        return false;
    }

    bool judge(uint64_t id, const std::string& path, verdict& said, std::string& rule) const override
    {
        auto at = id ? by_id_.find(id) : by_id_.end();
        // A table of a test's own, or a mount made since the table was
        // read, is known by its mount point alone.
        size_t index;
        if (at != by_id_.end()) {
            index = at->second;
        } else {
            const auto named = by_point_.find(path);
            if (named == by_point_.end()) return false;
            index = named->second;
        }
        const mount_entry& entry = entries_[index];
        if (!entry.judged) return false;
        said = entry.verdict;
        rule = entry.rule;
        return true;
    }

    // The mount point at or above `folder` (absolute, "/" last) that must
    // not be entered, or null.
    const mount_entry* closed_above(const std::string& folder) const
    {
        for (size_t slash = folder.find('/'); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
            const auto at = by_point_.find(folder.substr(0, slash + 1));
            if (at != by_point_.end() && entries_[at->second].closed) return &entries_[at->second];
        }
        return nullptr;
    }

    const std::vector<mount_entry>& entries() const { return entries_; }

private:
    // "ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [OPTIONAL...] - TYPE SOURCE
    // FS-OPTIONS".
    static bool parse(const std::string& line, mount_entry& entry)
    {
        std::istringstream in(line);
        std::vector<std::string> fields;
        for (std::string field; in >> field;) fields.push_back(field);
        const auto dash = std::find(fields.begin() + std::min<size_t>(6, fields.size()), fields.end(), "-");
        if (fields.size() < 6 || dash == fields.end() || fields.end() - dash < 3) return false;
        char* end = nullptr;
        errno = 0;
        entry.id = std::strtoull(fields[0].c_str(), &end, 10);
        if (errno || *end) return false;
        entry.point = with_slash(unescape_field(fields[4]));
        entry.options = fields[5];
        entry.type = dash[1];
        entry.source = unescape_field(dash[2]);
        entry.fs_options = fields.end() - dash > 3 ? dash[3] : "";
        return !entry.point.empty() && entry.point[0] == '/';
    }

    // Who could change or bring what the mount holds, in this order: its
    // maker where that is a user, the file behind a loop device, then the
    // file system as a whole.
    void judge_entry(mount_entry& entry, const dvd_search_places& places, const std::string& trusted_media)
    {
        const uid_t me = ::geteuid();
        entry.judged = true;
        const auto refuse = [&](const std::string& rule) {
            entry.verdict = verdict::refused;
            entry.rule = rule;
        };
        if (is_fuse(entry.type)) {
            std::string maker;
            if (!find_option(entry.fs_options, "user_id=", &maker)) find_option(entry.options, "user_id=", &maker);
            // Root's daemon is as trusted as root; another user's answers
            // as they like, or never.
            if (maker != std::to_string(me) && maker != "0") {
                refuse("a FUSE mount of user " + (maker.empty() ? std::string("unknown") : maker));
                entry.closed = true;
                return;
            }
        }
        if (const std::string media = media_folder_of(entry.point, places.media_roots); !media.empty()) {
            const std::string owner = media.substr(media.rfind('/', media.size() - 2) + 1, std::string::npos);
            const std::string name = owner.substr(0, owner.size() - 1);
            const std::string mine = account_name(me);
            if ((!mine.empty() && name == mine) || (me == 0 && media == trusted_media)) {
                entry.verdict = verdict::no_one_else;
                return;
            }
            if (account_exists(name)) return refuse("in another user's media folder");
        }
        if (const std::string loop = loop_device(entry.source); !loop.empty()) {
            std::ifstream named(with_slash(places.block_devices) + loop + "/loop/backing_file");
            std::string file;
            if (!std::getline(named, file) || file.empty())
                return refuse("on a loop device whose file cannot be told");
            place_fault fault;
            const int fd = open_users_own_file(file, fault, this);
            if (fd < 0) return refuse("on a loop device of a file others may change (" + fault.text() + ")");
            ::close(fd);
        }
        // The file system's own options: a read-only bind of a writable
        // one is read-only in the mount's options alone, and others may
        // change what it shows through its other mount.
        if (find_option(entry.fs_options, "ro") && entry.source.compare(0, 5, "/dev/") == 0)
            entry.verdict = verdict::no_one_else;
    }

    std::vector<mount_entry> entries_;
    std::map<uint64_t, size_t> by_id_;
    std::map<std::string, size_t> by_point_;  // mount points come from anyone's FUSE mounts: no hash
};

// -- The search's memory ---
//
// The hub searches every frame while no disk serves, and the pump's
// workers open archives side by side: every piece of state below is held
// under `state_lock`, but a walk made for a worker, which runs on a
// snapshot of the table.

std::mutex state_lock;
dvd_search_places places;
// Where relative NIMBREL_DVD folders lie: the working folder the program
// started in, which it leaves for the folder of its own files.
std::string start_folder;
// A run of root's started from a disk in a user's media folder: that folder.
std::string trusted_media;
std::string table_text;
std::shared_ptr<const mount_table> table;
uint64_t table_generation = 0;

// A folder and its version file as they stood when judged: a verdict holds
// while neither changed (a chmod changes the time of change) and the mount
// table did not.
struct identity {
    file_identity folder, version;
    bool operator==(const identity& o) const { return folder == o.folder && version == o.version; }
};

struct folder_verdict {
    uint64_t generation = 0;
    identity id;
    bool usable = false;
    std::string resolved, why;
};
std::map<std::string, folder_verdict> verdicts;  // by the folder as searched

std::atomic<void (*)(const std::string& path)> file_opened_hook{nullptr};

// The mount table as it stands, judged again only when it changed.  With
// state_lock held.
std::shared_ptr<const mount_table> current_table()
{
    std::ifstream file(places.mount_table, std::ios::binary);
    std::ostringstream read;
    read << file.rdbuf();
    std::string text = read.str();
    if (!table || text != table_text) {
        table = std::make_shared<const mount_table>(text, places, trusted_media);
        table_text = std::move(text);
        ++table_generation;
        verdicts.clear();
    }
    return table;
}

// Each refusal once a run: the hub searches every frame, and the pump's
// workers check archives side by side.  One made before the log opens (the
// search that decides whether to move off the disk) waits for it.
std::mutex told_lock;
std::set<std::string> told;

void tell_once(const std::string& line)
{
    {
        const std::lock_guard<std::mutex> hold(told_lock);
        if (!told.insert(line).second) return;
    }
    UTL_log_when_open(line);
}

// Whether `folder` holds a version file, with what identifies the two.  A
// link at its name is not followed but judged, and so refused in words: it
// may lead into another user's FUSE mount, whose daemon need never answer.
bool holds_version_file(const std::string& folder, identity& id)
{
    struct stat st, version;
    if (::lstat((folder + kVersionName).c_str(), &version) != 0 ||
        !(S_ISREG(version.st_mode) || S_ISLNK(version.st_mode)) || ::stat(folder.c_str(), &st) != 0)
        return false;
    id = {file_identity::of(st), file_identity::of(version)};
    return true;
}

// The rules on `folder` and its version file, walked on `mounts`.
folder_verdict walk(const std::string& folder, const mount_table& mounts)
{
    folder_verdict v;
    place_fault fault;
    const int fd = open_users_own_folder(folder, v.resolved, fault, &mounts);
    if (fd >= 0) {
        ::close(fd);
        const int version = open_users_own_file(v.resolved + kVersionName, fault, &mounts);
        if (version >= 0) ::close(version);
    }
    v.usable = !fault;
    v.why = fault.text();
    return v;
}

// The verdict on `folder`, which holds a version file as `id` says, made
// again only where something changed.  With state_lock held.
const folder_verdict& judged(const std::string& folder, const identity& id, const mount_table& mounts)
{
    folder_verdict& known = verdicts[folder];
    if (known.generation == table_generation && known.id == id) return known;
    known = walk(folder, mounts);
    known.generation = table_generation;
    known.id = id;
    return known;
}

void tell_refused(const std::string& folder, const std::string& why)
{
    tell_once("Not taking " + UTIL_shown_folder(folder) + " for a DVD: " + UTIL_shown_folder(why) + ".\n");
}

// A mount another user made is not looked inside, not even for a version
// file: it is said once, and no screen names it, as nothing says it is a
// disk.
bool closed_to_search(const mount_table& mounts, const std::string& folder)
{
    const mount_entry* closed = mounts.closed_above(folder);
    if (!closed) return false;
    tell_once("Not looking for a DVD in " + UTIL_shown_folder(closed->point) + ": it is " + closed->rule + ".\n");
    return true;
}

// `folder` from the root, without "." or empty steps: relative to the
// folder the program started in, whatever its working folder is now.
// Links and ".." are left for the walk, which follows them as it may.
std::string absolute(const std::string& folder)
{
    if (start_folder.empty())
        if (char* here = ::getcwd(nullptr, 0)) {
            start_folder = here;
            std::free(here);
        }
    const std::string given = !folder.empty() && folder[0] == '/' ? folder : start_folder + "/" + folder;
    std::string out = "/";
    std::istringstream steps(given);
    for (std::string step; std::getline(steps, step, '/');)
        if (!step.empty() && step != ".") out += step + "/";
    if (!given.empty() && given.back() != '/' && out.size() > 1) out.pop_back();
    return out;
}

// -- The search ---

struct dvd_search {
    const mount_table& mounts;
    std::vector<std::string>& found;
    std::vector<std::string> refused;
    std::set<std::string> looked, taken;

    void consider(const std::string& given)
    {
        const std::string folder = with_slash(absolute(given));
        identity id;
        if (!looked.insert(folder).second || closed_to_search(mounts, folder) || !holds_version_file(folder, id))
            return;
        const folder_verdict& v = judged(folder, id, mounts);
        // Named as found, so that a drive's folder names whatever disk
        // comes in next; one disk found by two names is listed once.
        if (v.usable) {
            if (taken.insert(v.resolved).second) found.push_back(folder);
            return;
        }
        refused.push_back(folder);
        tell_refused(folder, v.why);
    }
};

void search_mount_table(dvd_search& search)
{
    for (const mount_entry& entry : search.mounts.entries())
        if (!skipped_type(entry.type)) search.consider(entry.point);
}

// The sub-folders of `folder` (ending in "/"), each ending in "/", in
// sorted order so that the search does not depend on the disk.  A link is
// none: it may lead into a mount no one should look at.
std::vector<std::string> sub_folders(const mount_table& mounts, const std::string& folder)
{
    std::vector<std::string> subs;
    if (closed_to_search(mounts, folder)) return subs;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return subs;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        // A file system that gives no kinds is asked, but never at a mount
        // point not to be entered.
        struct stat st;
        const bool is_dir = entry->d_type == DT_DIR ||
                            (entry->d_type == DT_UNKNOWN && !mounts.closed_above(folder + name + "/") &&
                             ::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode));
        if (is_dir) subs.push_back(folder + name + "/");
    }
    ::closedir(dir);
    std::sort(subs.begin(), subs.end());
    return subs;
}

void search_roots(dvd_search& search)
{
    for (const std::string& root : places.roots) {
        const std::string top = with_slash(root);
        search.consider(top);
        for (const std::string& sub : sub_folders(search.mounts, top)) {
            search.consider(sub);
            for (const std::string& label : sub_folders(search.mounts, sub)) search.consider(label);
        }
    }
}

// With state_lock held.
void list_dvd_folders(std::vector<std::string>& folders, std::vector<std::string>* refused)
{
    folders.clear();
    const std::shared_ptr<const mount_table> mounts = current_table();
    dvd_search search{*mounts, folders, {}, {}, {}};
    if (const char* named = std::getenv("NIMBREL_DVD")) {
        std::istringstream list(named);
        std::string folder;
        while (std::getline(list, folder, ':'))
            if (!folder.empty()) search.consider(folder);
    }
    search_mount_table(search);
    search_roots(search);
    if (refused) *refused = search.refused;
}

}  // namespace

// -- The public calls ---

void UTIL_list_dvd_folders(std::vector<std::string>& folders, std::vector<std::string>* refused)
{
    const std::lock_guard<std::mutex> hold(state_lock);
    list_dvd_folders(folders, refused);
}

std::string UTIL_find_dvd_path()
{
    std::vector<std::string> folders;
    UTIL_list_dvd_folders(folders);
    return folders.empty() ? std::string() : folders.front();
}

std::string UTIL_find_start_dvd(const std::string& started_from)
{
    {
        const std::lock_guard<std::mutex> hold(state_lock);
        const std::string media = ::geteuid() == 0 ? media_folder_of(started_from, places.media_roots) : "";
        if (media != trusted_media) {
            trusted_media = media;
            table.reset();
        }
        const std::shared_ptr<const mount_table> mounts = current_table();
        // The folders above the program, the nearest first.
        const std::string program = absolute(started_from);
        for (size_t slash = program.rfind('/'); slash != std::string::npos && slash > 0;
             slash = program.rfind('/', slash - 1)) {
            const std::string folder = program.substr(0, slash + 1);
            identity id;
            if (closed_to_search(*mounts, folder)) break;
            if (!holds_version_file(folder, id)) continue;
            const folder_verdict& v = judged(folder, id, *mounts);
            if (v.usable) return v.resolved;
            tell_refused(folder, v.why);
            break;
        }
    }
    return UTIL_find_dvd_path();
}

bool UTIL_dvd_folder_usable(const std::string& folder, std::string& why)
{
    const std::lock_guard<std::mutex> hold(state_lock);
    const std::shared_ptr<const mount_table> mounts = current_table();
    const std::string shown = with_slash(absolute(folder));
    identity id;
    if (const mount_entry* closed = mounts->closed_above(shown)) {
        why = closed->point + " is " + closed->rule;
        return false;
    }
    if (!holds_version_file(shown, id)) {
        why = shown + kVersionName + ": " + std::strerror(ENOENT);
        return false;
    }
    const folder_verdict& v = judged(shown, id, *mounts);
    why = v.why;
    return v.usable;
}

int UTIL_open_dvd_file(const std::string& path, int& fd)
{
    std::shared_ptr<const mount_table> mounts;
    {
        const std::lock_guard<std::mutex> hold(state_lock);
        mounts = current_table();
    }
    place_fault fault;
    fd = open_users_own_file(path, fault, mounts.get());
    if (const auto hook = file_opened_hook.load()) hook(path);
    if (fd >= 0) return 0;
    if (fault.kind == place_fault::failed) return fault.err;
    if (fault.kind == place_fault::not_regular) return EINVAL;
    tell_once("Not reading " + UTIL_shown_folder(path) + " from the DVD: " + UTIL_shown_folder(fault.text()) + ".\n");
    return kErrOthersMayChange;
}

std::string UTIL_shown_folder(const std::string& folder)
{
    std::string shown;
    for (const char c : folder) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f && c != '\\') {
            shown += c;
            continue;
        }
        shown += '\\';
        shown += static_cast<char>('0' + (byte >> 6));
        shown += static_cast<char>('0' + ((byte >> 3) & 7));
        shown += static_cast<char>('0' + (byte & 7));
    }
    return shown;
}

void UTIL_set_dvd_search_places(const dvd_search_places& new_places)
{
    const std::lock_guard<std::mutex> hold(state_lock);
    places = new_places;
    trusted_media.clear();
    start_folder.clear();
    table.reset();
}

void UTIL_set_dvd_file_opened_hook(void (*hook)(const std::string& path)) { file_opened_hook = hook; }
