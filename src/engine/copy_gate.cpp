#include "engine/copy_gate.h"

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <vector>

#include "core/archives/archive_destination.h"
#include "core/archives/archive_reader.h"
#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"
#include "core/text/translation.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"

namespace {

// -- The copy's folder ---

// Opened on the main thread by make_dirs and used from the unpack workers
// as well; a worker keeps its own reference while it writes, so a reopen
// never pulls the folder from under it.
struct open_copy {
    std::mutex lock;
    std::shared_ptr<const confined_folder> root;
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
} copy;

int reopen_locked()
{
    auto root = std::make_shared<confined_folder>();
    std::string full = dest_dir_path;
    set_path_to_full(full);
    int err = root->open(full, g_case_sensitive != 0);
    struct stat st;
    if (!err && ::fstat(root->descriptor(), &st) != 0) err = errno;
    if (err) {
        xer << "The copy at " << dest_dir_path << " cannot be opened: error " << err << ".\n";
        copy.root.reset();
        return err;
    }
    copy.root = std::move(root);
    copy.path = dest_dir_path;
    copy.dev = st.st_dev;
    copy.ino = st.st_ino;
    return 0;
}

// The open copy, opened again when dest_dir_path now names another folder:
// a folder removed and made anew under the same name must not swallow the
// files of the next run.  The folder is looked at by the name it was opened
// by, its letter case corrected: a destination typed in another case would
// otherwise reopen the copy, and list its folders afresh, for every file.
int current_copy(std::shared_ptr<const confined_folder>& out)
{
    std::lock_guard<std::mutex> hold(copy.lock);
    struct stat st;
    const bool same = copy.root && copy.path == dest_dir_path && ::stat(copy.root->path().c_str(), &st) == 0 &&
                      st.st_dev == copy.dev && st.st_ino == copy.ino;
    if (!same) {
        if (int err = reopen_locked()) return err;
    }
    out = copy.root;
    return 0;
}

// `path` less dest_dir_path, trailing '/' dropped; kErrLeadsOut when it
// does not begin with it or names the copy itself.
int relative_of(const std::string& path, std::string& relative)
{
    if (dest_dir_path.empty() || path.size() <= dest_dir_path.size() ||
        path.compare(0, dest_dir_path.size(), dest_dir_path) != 0) {
        xer << "Refused \"" << path << "\": it is not below the copy at " << dest_dir_path << ".\n";
        return kErrLeadsOut;
    }
    relative = path.substr(dest_dir_path.size());
    while (!relative.empty() && relative.back() == '/') relative.pop_back();
    return relative.empty() ? kErrLeadsOut : 0;
}

// Empties folder `relative` of the copy, deepest names first; the first
// error met, after trying everything.
int remove_beneath(const confined_folder& root, const std::string& relative)
{
    std::vector<std::string> names;
    int first_err = root.list(relative, names);
    for (const std::string& name : names) {
        const std::string child = relative.empty() ? name : relative + "/" + name;
        struct stat st = {};
        const int fd = root.open_path(child, false);
        const bool folder = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        if (fd >= 0) ::close(fd);
        int err = folder ? remove_beneath(root, child) : 0;
        placed_name at;
        if (!err) err = root.place(child, at);
        if (!err) err = at.remove(folder);
        if (err && !first_err) first_err = err;
    }
    return first_err;
}

int refused(const std::string& what, const std::string& archive, const char* why)
{
    xer << "Refused archive " << archive << " for " << what << ": " << why << ".\n";
    return kErrUnsafeEntry;
}

// -- One install archive ---

// The bytes a file of `kilobytes` in the manifest may have: the sizes are
// rounded to whole kilobytes, in either direction.
unsigned long long largest_size(float kilobytes)
{
    return kilobytes < 0 ? 0 : static_cast<unsigned long long>(kilobytes + 1.0) * 1024ull;
}

bool is_7z(const std::string& archive)
{
    return archive.size() >= 3 && archive.compare(archive.size() - 3, 3, ".7z") == 0;
}

// Stages the one entry named `leaf` and refuses any other; nothing of the
// archive is in the copy until the caller commits.
int stage_the_named_entry(archive_reader& in, extract_dest& dest, const std::string& leaf,
                          const entry_check& check, const std::string& archive, staged_entry& staged)
{
    bool found = false;
    archive_item item;
    for (;;) {
        int err = in.next(item);
        if (err == kEndOfArchive) break;
        if (err) return err;
        if (item.name.compare(0, 8, "__MACOSX") == 0) continue;
        const bool file_or_link = item.kind == entry_kind::file || item.kind == entry_kind::link;
        if (found || item.name != leaf || !file_or_link)
            return refused(leaf, archive, ("it holds the entry \"" + item.name + "\" as well").c_str());
        found = true;
        if (item.kind == entry_kind::link) {
            std::string target;
            err = read_link_text(in, item, target);
            if (!err) err = dest.stage_link(leaf, target, check, staged);
        } else {
            err = dest.stage_file(leaf, item, in, check, staged);
        }
        if (err) return err;
    }
    return found ? 0 : refused(leaf, archive, "it does not hold that file");
}

}  // namespace

int copy_gate_open()
{
    std::lock_guard<std::mutex> hold(copy.lock);
    return reopen_locked();
}

int copy_install(const std::string& archive, const file_version_struct& version, std::string* problem)
{
    std::shared_ptr<const confined_folder> root;
    if (int err = current_copy(root)) return err;

    std::string relative = version.path;
    trim_dest_folder(relative);
    const size_t slash = relative.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : relative.substr(0, slash + 1);
    const std::string leaf = relative.substr(folder.size());
    if (leaf.empty()) return refused(relative, archive, "the path names no file");

    std::string full_archive = archive;
    set_path_to_full(full_archive);
    const bool seven = is_7z(archive);
    std::unique_ptr<archive_reader> in;
    int err = seven ? open_7z_reader(full_archive, in) : open_zip_reader(full_archive, in);
    if (err) {
        err = seven ? seven_zip_error(err) : err;
        log_unpack_failure(seven, err, full_archive, dest_dir_path + folder);
        return err;
    }
    entry_check check;
    check.max_size = largest_size(version.installed_size);
    // A line without a signature can vouch for no file: "-" matches none.
    check.md5 = version.sig_want.empty() ? "-" : version.sig_want;

    extract_dest dest(*root, folder);
    staged_entry staged;
    err = stage_the_named_entry(*in, dest, leaf, check, archive, staged);
    if (!err) err = staged.commit();
    if (err == kErrWrongContent && !dest.md5_found().empty() && dest.md5_found() != check.md5 && problem)
        *problem = UTL_string_sub(
            UTL_translate_string("The file %1:file% has the MD5 signature %2:have%, but it should be %3:want%.", 0),
            relative, dest.md5_found(), version.sig_want);
    if (seven) err = seven_zip_error(err);
    if (err) log_unpack_failure(seven, err, full_archive, dest_dir_path + folder);
    return err;
}

int copy_delete(const std::string& path)
{
    std::shared_ptr<const confined_folder> root;
    std::string relative;
    if (int err = relative_of(path, relative)) return err;
    if (int err = current_copy(root)) return err;
    placed_name at;
    int err = root->place(relative, at);
    if (err == kErrLeadsOut) xer << "Refused to delete \"" << path << "\": it lies outside the copy.\n";
    return err ? err : at.remove(path.back() == '/');
}

int copy_remove_all()
{
    // An empty destination would open the working folder, and "/" is no copy.
    if (dest_dir_path.find_first_not_of('/') == std::string::npos) {
        xer << "Refused to remove the copy at \"" << dest_dir_path << "\": it names no folder of its own.\n";
        return kErrLeadsOut;
    }
    std::shared_ptr<const confined_folder> root;
    int err = current_copy(root);
    if (err == ENOENT) return 0;  // nothing was made
    if (!err) err = remove_beneath(*root, "");
    {
        std::lock_guard<std::mutex> hold(copy.lock);
        copy.root.reset();
    }
    root.reset();
    // The copy's folder itself lies in its parent, outside the gate; rmdir
    // takes only an empty folder and never one behind a link.
    std::string folder = dest_dir_path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!err && ::rmdir(folder.c_str()) != 0) err = errno;
    xer << "Removed the copy at " << dest_dir_path << ", with result=" << err << ".\n";
    return err;
}

int copy_make_folder(const std::string& path)
{
    std::shared_ptr<const confined_folder> root;
    std::string relative;
    if (path == dest_dir_path || path + "/" == dest_dir_path) return 0;
    if (int err = relative_of(path, relative)) return err;
    if (int err = current_copy(root)) return err;
    placed_name at;
    int err = root->place(relative, at);
    if (!err) err = at.make_folder(0755);
    if (err == kErrLeadsOut) xer << "Refused to make \"" << path << "\": it lies outside the copy.\n";
    if (err != EEXIST) return err;
    // Something of that name is there: only a folder inside the copy will do.
    int fd = root->open_path(relative, true);
    if (fd < 0) return errno == kErrLeadsOut ? kErrLeadsOut : ENOTDIR;
    struct stat st;
    err = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    ::close(fd);
    return err;
}

std::string dest_path_of(const file_version_struct& version)
{
    std::string path = version.path;
    trim_dest_folder(path);
    return dest_dir_path + path;
}

void record_emptied_folders(const std::string& file, std::set<std::string>& folders)
{
    std::string folder = file;
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    while (folder.size() > dest_dir_path.size()) {
        folders.insert(folder);
        folder.pop_back();
        slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    }
}

void copy_remove_emptied_folders(const std::set<std::string>& folders, const char* log_label)
{
    std::shared_ptr<const confined_folder> root;
    if (current_copy(root) != 0) return;
    std::vector<std::string> names;
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        std::string relative;
        if (relative_of(*folder, relative) != 0) continue;
        root->list(relative, names);
        bool shown = false;
        for (const std::string& name : names) shown = shown || name[0] != '.';
        if (!shown) log_file_action(log_label, *folder, copy_delete(*folder));
    }
}

void log_file_action(const char* label, const std::string& path, int result)
{
    if (stg.log_actions) xer << label << path << ", with result=" << result << ".\n";
}
