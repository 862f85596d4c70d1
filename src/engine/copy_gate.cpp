#include "engine/copy_gate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "core/archives/archive_destination.h"
#include "core/archives/archive_reader.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_checksum.h"
#include "core/files/file_ops.h"
#include "core/files/folder_trees.h"
#include "core/files/system_paths.h"
#include "core/text/translation.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/scan_stamps.h"

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
    // Folders rid of stale half-written files since the copy was opened,
    // relative, without a trailing '/'.
    std::set<std::string> swept;
    // The folder this run made as a new copy's, which alone a cancel may
    // remove whole.
    bool made = false;
    std::string made_path;
    dev_t made_dev = 0;
    ino_t made_ino = 0;
} copy;

std::string without_trailing_slash(std::string path)
{
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

// A killed run leaves the file it was writing beside its name.  Such files
// are the gate's by their name and no one else's: they go, nothing else,
// and not while a run (of any process, namespace or host) still writes one.
void sweep_stale_beside_files(const confined_folder& root, const std::string& folder)
{
    std::vector<std::string> names;
    if (root.list(folder, names) != 0) return;
    for (const std::string& name : names) {
        if (!is_partial_name(name)) continue;
        placed_name at;
        int err = root.place(folder.empty() ? name : folder + "/" + name, at);
        const int held = err ? -1 : claim_stale_partial(at.folder(), at.leaf());
        if (!err && held < 0) continue;
        if (!err) err = at.remove(false);
        if (held >= 0) ::close(held);
        xer << "Removed the half-written " << dest_dir_path << (folder.empty() ? "" : folder + "/") << name
            << " of a run that ended, with result=" << err << ".\n";
    }
}

// Sweeps `folder` unless it was since the copy was opened.
void sweep_once(const confined_folder& root, const std::string& folder)
{
    const std::string key = without_trailing_slash(folder);
    {
        std::lock_guard<std::mutex> hold(copy.lock);
        if (!copy.swept.insert(key).second) return;
    }
    sweep_stale_beside_files(root, key);
}

// Opens the gate on dest_dir_path, or on the folder already open at
// `made` (which it takes over) that this run made there.
int reopen_locked(int made = -1)
{
    auto root = std::make_shared<confined_folder>();
    std::string full = dest_dir_path;
    set_path_to_full(full);
    int err = made < 0 ? root->open(full, g_case_sensitive != 0) : root->adopt(made, full, g_case_sensitive != 0);
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
    copy.swept.clear();
    copy.swept.insert("");
    sweep_stale_beside_files(*copy.root, "");
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
    // The folder this run made is left for nothing else put at its name:
    // a link swapped in would lead the rest of the install, and a cancel,
    // to its target.
    if (!same && copy.root && copy.made && copy.path == copy.made_path && copy.path == dest_dir_path &&
        copy.dev == copy.made_dev && copy.ino == copy.made_ino) {
        xer << "The copy at " << dest_dir_path << " is no longer the folder this run made.\n";
        return ESTALE;
    }
    if (!same) {
        if (int err = reopen_locked()) return err;
    }
    at_disk_moment(disk_moment::root_checked);
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

int refused(const std::string& what, const std::string& archive, const std::string& why)
{
    FILE_ERR_HERE();
    xer << "Refused archive " << archive << " for " << what << ": " << why << ".\n";
    return kErrUnsafeEntry;
}

// -- Files changed since the plan ---

// 0 when the file at `relative` is still what the plan judged `version`'s
// file by (scan_stamps.h), or changed in a way that loses nothing: gone
// (to be installed, or nothing left to delete), the same contents, or,
// when installing, the wanted version already.  Else kErrChangedSincePlan:
// the user's change stays.  A file the gate cannot open (no permission, a
// link put in its place) is as the plan judged it only while its stamp is:
// the user may have been asked about it.  A folder on the way that the gate
// cannot reach is left to the operation itself, which refuses it as before.
int unchanged_since_plan(const confined_folder& root, const std::string& relative,
                         const file_version_struct& version, bool installing)
{
    file_stamp judged;
    if (!scan_stamp_of(version, judged)) return 0;
    placed_name at;
    if (root.place(relative, at) != 0) return 0;
    const int fd = ::openat(at.folder(), at.leaf().c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    const int open_err = fd < 0 ? errno : 0;
    std::string sum;
    bool kept;
    if (fd < 0) {
        kept = open_err == ENOENT || stamp_at(at.folder(), at.leaf()) == judged;
    } else {
        kept = stamp_of_fd(fd) == judged || (calc_fd_md5(fd, sum) == 0 &&
                                             (version.sig_have == sum || (installing && version.sig_want == sum)));
        ::close(fd);
    }
    if (kept) return 0;
    xer << "Left " << dest_path_of(version) << " as it is: it changed after the plan was made (now "
        << (sum.empty() ? std::string("unreadable") : sum) << ", planned from " << version.sig_have << ").\n";
    return kErrChangedSincePlan;
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
            return refused(leaf, archive, "it holds the entry \"" + shown_name(item.name) + "\" as well");
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

namespace {

// Whether the folder open at `folder` holds nothing.  0, ENOTEMPTY, or errno.
int empty_folder(int folder)
{
    const int copy = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (!dir) {
        const int err = errno;
        if (copy >= 0) ::close(copy);
        return err;
    }
    bool empty = true;
    while (const dirent* e = ::readdir(dir))
        empty = empty && (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0);
    ::closedir(dir);
    return empty ? 0 : ENOTEMPTY;
}

// The owner this file system gives what this run makes in the folder open
// at `folder`, as a file made there for a moment shows it.  Drives that
// show every file with one owner (FAT, NTFS, sshfs, bindfs, NFS that
// squashes root) give it that owner, not this user.  0 or errno.
int owner_given_in(int folder, uid_t& owner)
{
    std::string probe;
    const int fd = create_partial(folder, "", &probe, 0600);
    if (fd < 0) return errno;
    struct stat st;
    int err = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (::unlinkat(folder, probe.c_str(), 0) != 0 && !err) err = errno;
    ::close(fd);
    if (!err) owner = st.st_uid;
    return err;
}

// Whether the folder open at `folder`, just made at its name, is as mkdir
// leaves one: empty, and owned as this file system owns what this run
// makes.  Anything else was put at the name meanwhile, and would lead the
// copy, and a cancel, into what it holds.  0, or the error to answer with
// `why` in words.
int judge_new_folder(int folder, std::string& why)
{
    struct stat st;
    int err = ::fstat(folder, &st) == 0 ? empty_folder(folder) : errno;
    if (err) {
        why = err == ENOTEMPTY ? "a folder holding files was put at its name" : error_str(err);
        return err;
    }
    if (st.st_uid == ::geteuid()) return 0;
    uid_t given = 0;
    if ((err = owner_given_in(folder, given)) != 0) {
        why = "its owner is not this user, and no file could be made in it to learn the owner this drive "
              "gives: " + error_str(err);
        return err;
    }
    if (given == st.st_uid) return 0;
    why = "its owner (" + std::to_string(st.st_uid) +
          ") is neither this user nor the one this drive gives new files (" + std::to_string(given) + ")";
    return EPERM;
}

// Makes the folder `full` and opens it into `fd`.  Its parent may lie
// behind links the user chose; the folder is made and opened relative to
// the parent, through no link, and judged as above.  0, or errno with
// `why` in words.
int make_and_open(const std::string& full, int& fd, std::string& why)
{
    const size_t slash = full.rfind('/');
    const std::string parent_path = slash == std::string::npos ? "." : full.substr(0, slash ? slash : 1);
    const std::string leaf = full.substr(slash == std::string::npos ? 0 : slash + 1);
    const int parent = ::open(parent_path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    // mkdir is the check and the claim at once: of two runs that want the
    // same name, one makes it and the other hears EEXIST.
    int err = parent < 0 || ::mkdirat(parent, leaf.c_str(), 0755) != 0 ? errno : 0;
    if (err) {
        why = error_str(err);
        if (parent >= 0) ::close(parent);
        return err;
    }
    at_disk_moment(disk_moment::new_folder_made);
    fd = ::openat(parent, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        why = err == ENOTDIR ? "something other than a folder was put at its name" : error_str(err);
    } else {
        at_disk_moment(disk_moment::new_folder_opened);
        err = judge_new_folder(fd, why);
    }
    if (err) {
        // The next try would meet "already exists".  rmdir takes only an
        // empty folder, so nothing put at the name meanwhile is lost.
        ::unlinkat(parent, leaf.c_str(), AT_REMOVEDIR);
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    ::close(parent);
    return err;
}

}  // namespace

int copy_gate_make()
{
    const std::string folder = without_trailing_slash(dest_dir_path);
    if (folder.empty()) return kErrLeadsOut;
    std::string full = folder;
    set_path_to_full(full);
    std::lock_guard<std::mutex> hold(copy.lock);
    // A new claim: what an earlier one made is no longer this run's.
    copy.made = false;
    int fd = -1;
    std::string why;
    if (int err = make_and_open(full, fd, why)) {
        xer << "The new copy's folder " << dest_dir_path << " could not be made: " << why << " (error " << err
            << ").\n";
        return err;
    }
    at_disk_moment(disk_moment::new_folder_taken);
    if (int err = reopen_locked(fd)) return err;
    copy.made = true;
    copy.made_path = dest_dir_path;
    copy.made_dev = copy.dev;
    copy.made_ino = copy.ino;
    return 0;
}

namespace {

// copy_install, with the archive's reader left in `in` for the caller to
// tell where a failure arose.
int install_from(const std::string& archive, const file_version_struct& version, std::string* problem,
                 std::unique_ptr<archive_reader>& in)
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
    // The log names the file being installed, not the run's copy of its archive.
    int err = seven ? open_7z_reader(full_archive, in, dest_dir_path + relative) : open_zip_reader(full_archive, in);
    if (err) {
        if (seven) err = seven_zip_error(err);
        log_unpack_failure(seven, err, full_archive, dest_dir_path + folder);
        return err;
    }
    entry_check check;
    check.max_size = largest_size(version.installed_size);
    // A line without a signature can vouch for no file: "-" matches none.
    check.md5 = version.sig_want.empty() ? "-" : version.sig_want;

    sweep_once(*root, folder);
    extract_dest dest(*root, folder);
    staged_entry staged;
    err = stage_the_named_entry(*in, dest, leaf, check, archive, staged);
    // Looked at last, just before the old file is replaced.
    if (!err && (err = unchanged_since_plan(*root, relative, version, true)) != 0) {
        if (problem)
            *problem = UTL_string_sub(
                UTL_translate_string("The file %1:file% was changed after I checked it, so I have left it as it is.", 0),
                relative);
        return err;
    }
    if (!err) err = staged.commit();
    if (err == kErrWrongContent && !dest.md5_found().empty() && dest.md5_found() != check.md5 && problem)
        *problem = UTL_string_sub(
            UTL_translate_string("The file %1:file% has the MD5 signature %2:have%, but it should be %3:want%.", 0),
            relative, dest.md5_found(), version.sig_want);
    if (seven) err = seven_zip_error(err);
    if (err) log_unpack_failure(seven, err, full_archive, dest_dir_path + folder);
    return err;
}

}  // namespace

int copy_install(const std::string& archive, const file_version_struct& version, std::string* problem,
                 bool* in_archive)
{
    std::unique_ptr<archive_reader> in;
    // An unpacking holds no more than an honest archive needs, so memory
    // that cannot be had, in the reader or around it, is this machine's.
    const int err = without_failed_allocations([&] { return install_from(archive, version, problem, in); });
    if (in_archive) *in_archive = failed_in_archive(err, in.get());
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

int copy_delete(const file_version_struct& version)
{
    const std::string path = dest_path_of(version);
    std::shared_ptr<const confined_folder> root;
    std::string relative;
    if (int err = relative_of(path, relative)) return err;
    if (int err = current_copy(root)) return err;
    if (int err = unchanged_since_plan(*root, relative, version, false)) return err;
    return copy_delete(path);
}

int copy_remove_all()
{
    // An empty destination would open the working folder, and "/" is no copy.
    if (dest_dir_path.find_first_not_of('/') == std::string::npos) {
        xer << "Refused to remove the copy at \"" << dest_dir_path << "\": it names no folder of its own.\n";
        return kErrLeadsOut;
    }
    {
        std::lock_guard<std::mutex> hold(copy.lock);
        if (!copy.made || copy.made_path != dest_dir_path) {
            xer << "Kept the folder " << dest_dir_path << ": this run did not make it.\n";
            return 0;
        }
    }
    std::shared_ptr<const confined_folder> root;
    int err = current_copy(root);
    if (err == ENOENT) return 0;  // gone already
    {
        std::lock_guard<std::mutex> hold(copy.lock);
        // Another folder under the same name since: not ours to remove.
        if (err == ESTALE || (!err && (copy.dev != copy.made_dev || copy.ino != copy.made_ino))) {
            xer << "Kept the folder " << dest_dir_path << ": it is not the one this run made.\n";
            return 0;
        }
    }
    if (!err) {
        at_disk_moment(disk_moment::emptying_root);
        const int contents = ::openat(root->descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        err = contents < 0 ? errno : remove_folder_contents(contents);
        if (contents >= 0) ::close(contents);
    }
    {
        std::lock_guard<std::mutex> hold(copy.lock);
        copy.root.reset();
    }
    root.reset();
    // The copy's folder itself lies in its parent, outside the gate; rmdir
    // takes only an empty folder and never one behind a link.
    std::string folder = dest_dir_path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!err) at_disk_moment(disk_moment::removing_root);
    if (!err && ::rmdir(folder.c_str()) != 0) err = errno;
    if (!err) {
        // A folder of that name made later is another one.
        std::lock_guard<std::mutex> hold(copy.lock);
        copy.made = false;
    }
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
    if (!err) {
        // Nothing in it to sweep.
        std::lock_guard<std::mutex> hold(copy.lock);
        copy.swept.insert(at.relative());
    }
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
    // A folder recorded before came with every folder above it.
    while (folder.size() > dest_dir_path.size() && folders.insert(folder).second) {
        folder.pop_back();
        slash = folder.rfind('/');
        folder.resize(slash == std::string::npos ? 0 : slash + 1);
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
        sweep_stale_beside_files(*root, relative);
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
