#include "core/files/folder_trees.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/files/confined_folder.h"
#include "core/files/file_ops.h"
#include "core/files/folder_listing.h"
#include "core/files/system_paths.h"

namespace {

struct folder_id {
    dev_t dev;
    ino_t ino;
    bool operator==(const folder_id& o) const { return dev == o.dev && ino == o.ino; }
};

bool identify(const std::string& path, folder_id& id)
{
    std::string full = path;
    set_path_to_full(full);
    struct stat st;
    if (stat(full.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

// `chain` holds the source and destination folders being copied into, from
// the top of the tree down: meeting one of them again means a link cycle
// or a destination inside its own source.
int copy_tree(const std::string& from, const std::string& to, std::vector<folder_id>& chain)
{
    if (!dir_exists(from)) return copy_file(from, to);

    auto on_chain = [&chain](const folder_id& id) {
        return std::find(chain.begin(), chain.end(), id) != chain.end();
    };
    size_t depth = chain.size();
    folder_id id;
    if (identify(from, id)) {
        if (on_chain(id)) return ELOOP;
        chain.push_back(id);
    }
    make_folder(to + "/");
    if (identify(to, id)) {
        if (on_chain(id)) {
            chain.resize(depth);
            return ELOOP;
        }
        chain.push_back(id);
    }

    std::vector<std::string> names;
    std::vector<int> types;
    opensave_getitems(from + "/", kFileTypeAny, names, types);
    int err = 0;
    for (const std::string& name : names)
        if ((err = copy_tree(from + "/" + name, to + "/" + name, chain)) != 0) break;
    chain.resize(depth);
    return err;
}

// The names in the folder open at `folder`, read whole before anything is
// removed: a folder changed while it is read may skip or repeat entries.
int names_in(int folder, bool hidden, std::vector<std::string>& names)
{
    const int listing = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);  // closedir closes it
    if (listing < 0) return errno;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        const int err = errno;
        ::close(listing);
        return err;
    }
    ::rewinddir(dir);
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        if (n[0] == '.' && !hidden) continue;
        names.emplace_back(n);
    }
    ::closedir(dir);
    return 0;
}

int remove_entry(int folder, const std::string& name, const tree_removal& how)
{
    // Opened as a folder only when it is one: a link, to a folder or not,
    // fails here (ELOOP or ENOTDIR) and is unlinked as itself.
    const int sub = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (sub < 0) {
        if (errno != ENOTDIR && errno != ELOOP) return errno;
        return ::unlinkat(folder, name.c_str(), 0) == 0 ? 0 : errno;
    }
    const int err = remove_folder_contents(sub, how);
    ::close(sub);
    if (err) return err;
    return ::unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

}  // namespace

int remove_folder_contents(int folder_fd, tree_removal how)
{
    // A folder made read-only is still its owner's to empty: the owner
    // takes the right back first.  For anyone else that fails, and the
    // removal then fails on the first entry, as it would have.
    struct stat st;
    constexpr mode_t kChange = S_IWUSR | S_IXUSR;
    if (::fstat(folder_fd, &st) == 0 && (st.st_mode & kChange) != kChange)
        ::fchmod(folder_fd, (st.st_mode & 07777) | kChange);
    std::vector<std::string> names;
    int first = names_in(folder_fd, how.hidden, names);
    for (const std::string& name : names) {
        if (first && how.stop_at_first) break;
        const int err = remove_entry(folder_fd, name, how);
        if (!first) first = err;
    }
    return first;
}

int remove_folder_tree(const std::string& path, tree_removal how)
{
    const std::vector<std::string> parts = name_components(path);
    // ".." would take the deleter to a folder the path does not name:
    // "x/sub/.." is x.
    if (parts.empty() || std::find(parts.begin(), parts.end(), "..") != parts.end()) return EINVAL;
    std::string full = path;
    set_path_to_full(full);
    // A '/' at the end would follow a link there.
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    const int folder = ::open(full.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (folder < 0) return errno;
    const int err = remove_folder_contents(folder, how);
    ::close(folder);
    if (err) return err;
    return ::rmdir(full.c_str()) == 0 ? 0 : errno;
}

int recursive_delete_folder(const std::string& folder)
{
    tree_removal listed_only;
    listed_only.hidden = false;
    listed_only.stop_at_first = true;
    return remove_folder_tree(folder, listed_only);
}

int copy_file_recursive(const std::string& from, const std::string& to)
{
    std::vector<folder_id> chain;
    return copy_tree(from, to, chain);
}
