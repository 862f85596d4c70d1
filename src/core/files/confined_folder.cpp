#include "core/files/confined_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <deque>

#include "core/files/file_ops.h"

namespace {

// The kernel gives up after 40 links as well.
constexpr int kMaxLinks = 40;

int fail_with(int err)
{
    errno = err;
    return -1;
}

long openat2_beneath(int dir, const char* name, int flags)
{
    open_how how{};
    how.flags = static_cast<unsigned long long>(flags | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    return ::syscall(SYS_openat2, dir, name, &how, sizeof how);
}

bool read_link_at(int fd, std::string& target)
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t got = ::readlinkat(fd, "", &buffer[0], buffer.size());
        if (got < 0) return false;
        if (static_cast<size_t>(got) < buffer.size()) {
            target.assign(buffer, 0, static_cast<size_t>(got));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::atomic<disk_moment_hook> g_disk_moment_hook{nullptr};

std::vector<std::string> name_components(const std::string& name)
{
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= name.size()) {
        size_t end = name.find('/', pos);
        if (end == std::string::npos) end = name.size();
        if (end > pos && !(end == pos + 1 && name[pos] == '.')) parts.push_back(name.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

std::string joined_components(const std::vector<std::string>& parts, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i) out += '/';
        out += parts[i];
    }
    return out;
}

std::string ascii_folded(std::string name)
{
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// -- placed_name ---

placed_name::~placed_name()
{
    if (folder_ >= 0) ::close(folder_);
}

int placed_name::create_beside(std::string* temp, mode_t mode) const
{
    at_disk_moment(disk_moment::creating);
    return create_partial(folder_, "", temp, mode);
}

int placed_name::link_beside(const std::string& target, std::string* temp) const
{
    at_disk_moment(disk_moment::creating);
    for (int tries = 0; tries < 100; ++tries) {
        *temp = next_partial_name();
        if (::symlinkat(target.c_str(), folder_, temp->c_str()) == 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

int placed_name::commit(const std::string& temp, int err) const
{
    if (!err) at_disk_moment(disk_moment::renaming);
    if (!err && ::renameat(folder_, temp.c_str(), folder_, leaf_.c_str()) != 0) err = errno;
    if (err) ::unlinkat(folder_, temp.c_str(), 0);
    return err;
}

int placed_name::make_folder(mode_t mode) const
{
    at_disk_moment(disk_moment::making_folder);
    if (::mkdirat(folder_, leaf_.c_str(), mode) != 0) return errno;
    if (root_) root_->note_made_folder(relative_);
    return 0;
}

int placed_name::remove(bool folder) const
{
    at_disk_moment(disk_moment::removing);
    const int err = ::unlinkat(folder_, leaf_.c_str(), folder ? AT_REMOVEDIR : 0) == 0 ? 0 : errno;
    // Nothing there is as good as removed for the index: the name went
    // behind its back, or was only ever placed.
    if ((!err || err == ENOENT) && root_) root_->note_removed(relative_);
    return err;
}

// -- confined_folder ---

confined_folder::~confined_folder()
{
    if (root_ >= 0) ::close(root_);
}

int confined_folder::open(const std::string& path, bool correct_case)
{
    int fd = ::open(path.empty() ? "." : path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    return adopt(fd, path, correct_case);
}

int confined_folder::adopt(int fd, const std::string& path, bool correct_case)
{
    // The folder's place as the descriptor has it, not as the path now
    // names it.
    char real[PATH_MAX];
    if (!::realpath(("/proc/self/fd/" + std::to_string(fd)).c_str(), real) &&
        !::realpath(path.empty() ? "." : path.c_str(), real)) {
        int err = errno;
        ::close(fd);
        return err;
    }
    if (root_ >= 0) ::close(root_);
    root_ = fd;
    path_ = path;
    if (!path_.empty() && path_.back() != '/') path_ += '/';
    real_path_ = real;
    correct_case_ = correct_case;
    std::lock_guard<std::mutex> hold(names_lock_);
    names_ = std::make_shared<folder_names>();
    folders_listed_ = 0;
    return 0;
}

int confined_folder::open_beneath(const std::string& name, int flags, bool follow_last) const
{
    const int with = flags | (follow_last ? 0 : O_NOFOLLOW);
    at_disk_moment(disk_moment::resolving);
    for (int tries = 0; tries < 4; ++tries) {
        long fd = openat2_beneath(root_, name.empty() ? "." : name.c_str(), with);
        if (fd >= 0) return static_cast<int>(fd);
        // EAGAIN: a rename raced a ".."; EXDEV: an absolute link, which may
        // still point inside; ENOSYS: a kernel without openat2.
        if (errno == EXDEV || errno == ENOSYS) break;
        if (errno != EAGAIN) return -1;
    }
    return walk(name, flags, follow_last);
}

// Component by component from the root, each opened without following it:
// links are read and resolved here, ".." steps back along descriptors
// already opened, so nothing can lead above the root whatever the disk does
// meanwhile.
int confined_folder::walk(const std::string& name, int flags, bool follow_last) const
{
    std::deque<std::string> todo;
    for (std::string& part : name_components(name)) todo.push_back(std::move(part));
    std::vector<int> folders;  // opened below the root, deepest last
    auto close_all = [&folders] {
        for (int fd : folders) ::close(fd);
        folders.clear();
    };
    int links = 0;
    while (!todo.empty()) {
        std::string part = std::move(todo.front());
        todo.pop_front();
        const int at = folders.empty() ? root_ : folders.back();
        if (part == "..") {
            if (folders.empty()) {
                close_all();
                return fail_with(kErrLeadsOut);
            }
            ::close(folders.back());
            folders.pop_back();
            continue;
        }
        int fd = ::openat(at, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (fd < 0 || ::fstatat(fd, "", &st, AT_EMPTY_PATH) != 0) {
            int err = errno;
            if (fd >= 0) ::close(fd);
            close_all();
            return fail_with(err);
        }
        const bool last = todo.empty();
        if (S_ISLNK(st.st_mode) && (!last || follow_last)) {
            std::string target;
            const bool read = read_link_at(fd, target);
            ::close(fd);
            if (!read || ++links > kMaxLinks) {
                int err = read ? ELOOP : errno;
                close_all();
                return fail_with(err);
            }
            if (!target.empty() && target[0] == '/') {
                const std::string& root = real_path_;
                const bool inside = root == "/" || target == root ||
                                    target.compare(0, root.size() + 1, root + "/") == 0;
                if (!inside) {
                    close_all();
                    return fail_with(kErrLeadsOut);
                }
                target.erase(0, root == "/" ? 1 : root.size());
                close_all();
            }
            std::vector<std::string> steps = name_components(target);
            todo.insert(todo.begin(), steps.begin(), steps.end());
            continue;
        }
        if (last) {
            ::close(fd);
            // Opened again for what the caller wants; a link put there since
            // is not followed.
            fd = ::openat(at, part.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
            int err = errno;
            close_all();
            return fd >= 0 ? fd : fail_with(err);
        }
        if (!S_ISDIR(st.st_mode)) {
            ::close(fd);
            close_all();
            return fail_with(ENOTDIR);
        }
        folders.push_back(fd);
    }
    // The root itself, or a folder reached through a link.
    int fd = ::openat(folders.empty() ? root_ : folders.back(), ".", flags | O_CLOEXEC);
    int err = errno;
    close_all();
    return fd >= 0 ? fd : fail_with(err);
}

int confined_folder::open_path(const std::string& name, bool follow_last) const
{
    return open_beneath(name, O_PATH, follow_last);
}

int confined_folder::open_read(const std::string& name) const
{
    // Non-blocking: a pipe put at the name must not hang the caller.
    return open_beneath(name, O_RDONLY | O_NONBLOCK, true);
}

int confined_folder::list(const std::string& name, std::vector<std::string>& names) const
{
    names.clear();
    int fd = open_beneath(name, O_RDONLY | O_DIRECTORY, true);
    if (fd < 0) return errno;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        int err = errno;
        ::close(fd);
        return err;
    }
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
            continue;
        names.push_back(e->d_name);
    }
    ::closedir(dir);
    return 0;
}

std::string confined_folder::listed_name(folder_names& in, const std::string& name)
{
    const std::string key = ascii_folded(name);
    auto other = in.folded.find(key);
    if (other != in.folded.end()) return other->second;
    // About to be made: later names in another case find it.
    note_found(in, name);
    return name;
}

void confined_folder::note_found(folder_names& in, const std::string& name)
{
    std::uint64_t& place = in.exact[name];
    if (place) return;
    place = ++in.places;
    std::string key = ascii_folded(name);
    if (in.folded.find(key) == in.folded.end())
        in.folded.emplace(std::move(key), name);
    else
        in.twins.emplace(std::make_pair(std::move(key), place), name);
}

void confined_folder::forget(folder_names& in, const std::string& leaf)
{
    auto known = in.exact.find(leaf);
    if (known == in.exact.end()) return;
    const std::uint64_t place = known->second;
    in.exact.erase(known);
    if (!in.listed) return;
    const std::string key = ascii_folded(leaf);
    auto answer = in.folded.find(key);
    if (answer == in.folded.end()) return;
    if (answer->second != leaf) {
        auto twin = in.twins.find({key, place});
        if (twin != in.twins.end() && twin->second == leaf) in.twins.erase(twin);
        return;
    }
    // The next twin in the system's order answers now, as a listing made
    // afresh would find it first.
    auto next = in.twins.lower_bound({key, 0});
    if (next != in.twins.end() && next->first.first == key) {
        answer->second = std::move(next->second);
        in.twins.erase(next);
    } else {
        in.folded.erase(answer);
    }
}

bool confined_folder::in_folder(folder_names& in, const std::string& folder, const std::string& name, bool last,
                                std::string& found) const
{
    bool may_list = true;
    {
        std::lock_guard<std::mutex> hold(names_lock_);
        if (in.exact.count(name)) return found = name, true;
        if (in.listed) {
            if (last) return found = listed_name(in, name), true;
            auto other = in.folded.find(ascii_folded(name));
            if (other != in.folded.end()) return found = other->second, true;
            // A folder on the way that the listing did not hold: made since
            // behind the index's back, or nowhere.  Listed again at most
            // once for as many such names as the folder holds, so that each
            // pays for one name listed.
            may_list = ++in.misses >= in.exact.size();
        }
    }
    // Most names exist as written, and those cost one lookup rather than a
    // listing.
    int fd = open_path(folder.empty() ? name : folder + "/" + name, false);
    if (fd >= 0) {
        ::close(fd);
        std::lock_guard<std::mutex> hold(names_lock_);
        if (in.listed)
            note_found(in, name);
        else
            in.exact.emplace(name, 0);
        return found = name, true;
    }
    if (!may_list) return false;
    std::vector<std::string> names;
    list(folder, names);
    ++folders_listed_;
    std::lock_guard<std::mutex> hold(names_lock_);
    // The first of twins in the system's order answers for both, as the
    // correction of a whole path does.  What the index holds already keeps
    // its place: a listing again adds only what was made behind its back.
    for (const std::string& n : names) note_found(in, n);
    in.listed = true;
    in.misses = 0;
    if (in.exact.count(name)) return found = name, true;
    if (last) return found = listed_name(in, name), true;
    auto other = in.folded.find(ascii_folded(name));
    if (other == in.folded.end()) return false;
    found = other->second;
    return true;
}

confined_folder::folder_names* confined_folder::index_of(const std::string& folder, bool make) const
{
    folder_names* in = names_.get();
    for (const std::string& part : name_components(folder)) {
        auto below = in->folders.find(part);
        if (below == in->folders.end()) {
            if (!make) return nullptr;
            below = in->folders.emplace(part, std::make_shared<folder_names>()).first;
        }
        in = below->second.get();
    }
    return in;
}

void confined_folder::note_made_folder(const std::string& relative) const
{
    if (!correct_case_) return;
    std::lock_guard<std::mutex> hold(names_lock_);
    folder_names& made = *index_of(relative, true);
    made = folder_names();
    made.listed = true;
}

void confined_folder::note_removed(const std::string& relative) const
{
    if (!correct_case_) return;
    const size_t slash = relative.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : relative.substr(0, slash);
    const std::string leaf = relative.substr(slash == std::string::npos ? 0 : slash + 1);
    std::lock_guard<std::mutex> hold(names_lock_);
    if (folder_names* in = index_of(folder, false)) {
        // A folder goes with what it held.
        in->folders.erase(leaf);
        forget(*in, leaf);
    }
}

std::size_t confined_folder::index_comparisons_to_find_each() const
{
    std::lock_guard<std::mutex> hold(names_lock_);
    std::size_t comparisons = 0;
    std::vector<const folder_names*> todo{names_.get()};
    while (!todo.empty()) {
        const folder_names& in = *todo.back();
        todo.pop_back();
        comparisons += comparisons_to_find_each(in.exact) + comparisons_to_find_each(in.folded) +
                       comparisons_to_find_each(in.folders);
        for (const auto& below : in.folders) todo.push_back(below.second.get());
    }
    return comparisons;
}

std::string confined_folder::corrected(const std::string& name) const
{
    const std::vector<std::string> parts = name_components(name);
    std::string out, found;
    // Each folder's index stays with this walk while it asks the disk, even
    // when a removal on another thread takes it out of the tree meanwhile.
    std::shared_ptr<folder_names> in;
    {
        std::lock_guard<std::mutex> hold(names_lock_);
        in = names_;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        // Past a folder that is not there the rest stays as written: nothing
        // below it can be.
        const bool there = in_folder(*in, out, parts[i], last, found);
        if (i) out += '/';
        out += there ? found : parts[i];
        if (!there) {
            for (++i; i < parts.size(); ++i) out += '/' + parts[i];
            break;
        }
        if (!last) {
            std::lock_guard<std::mutex> hold(names_lock_);
            std::shared_ptr<folder_names>& below = in->folders[found];
            if (!below) below = std::make_shared<folder_names>();
            in = below;
        }
    }
    return out;
}

int confined_folder::place(const std::string& name, placed_name& out) const
{
    if (root_ < 0) return EBADF;
    if (name.find('\0') != std::string::npos || name.empty() || name[0] == '/') return kErrLeadsOut;
    std::vector<std::string> parts = name_components(name);
    for (const std::string& part : parts)
        if (part == "..") return kErrLeadsOut;
    const size_t slash = name.rfind('/');
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (last.empty() || last == "." || parts.empty()) return kErrLeadsOut;

    out.root_ = this;
    out.relative_ = correct_case_ ? corrected(name) : joined_components(parts, parts.size());
    parts = name_components(out.relative_);
    out.leaf_ = parts.back();
    if (out.folder_ >= 0) ::close(out.folder_);
    out.folder_ = open_beneath(joined_components(parts, parts.size() - 1), O_PATH | O_DIRECTORY, true);
    return out.folder_ >= 0 ? 0 : errno;
}
