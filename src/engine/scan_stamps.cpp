#include "engine/scan_stamps.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/diag/log_stream.h"
#include "core/diag/memory_reserve.h"
#include "core/files/file_checksum.h"
#include "core/keyed_hash.h"
#include "engine/copy_gate.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"

namespace {

long long nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

file_stamp stamp_from(const struct stat& st)
{
    file_stamp s;
    s.present = !S_ISDIR(st.st_mode);
    s.taken = true;
    s.size = static_cast<long long>(st.st_size);
    s.modified_ns = nanoseconds(st.st_mtim);
    s.changed_ns = nanoseconds(st.st_ctim);
    return s;
}

// A stamp stands for its path in whatever manifest is read later, and
// holds nothing of the manifest's: it is keyed by the path's keyed digest,
// which the pool keeps beside the text, the same in every manifest of the
// run.  Two paths of one digest would share a stamp, which then differs
// from what is at one of them: that file is read again and judged as it
// is, never taken as unchanged.  The server names the paths but cannot
// know their digests, so it cannot make them share a stamp or a slot.
//
// The stamps lie in one block in the order they were noted, as the
// checksum workers note them and, mostly, as the gate looks them up; an
// index of their places, four bytes a slot, finds them by digest: open
// addressing over a power of two of slots, at most half full, a slot
// holding its stamp's place plus one (0: free).  A table of nodes put each
// stamp at a random place of the heap, and the processor's caches followed
// none of them.
class stamp_table {
public:
    stamp_table() = default;
    // Room for `expected` stamps, made at once: grown as stamps came, the
    // index would place every stamp anew at each doubling.
    explicit stamp_table(std::size_t expected)
    {
        stamps_.reserve(expected);
        index_.assign(std::max(slots_for(expected), kFirstSlots), 0);
    }

    void swap(stamp_table& other) noexcept
    {
        stamps_.swap(other.stamps_);
        index_.swap(other.index_);
        std::swap(next_, other.next_);
    }
    void note(const keyed_digest& key, const file_stamp& stamp)
    {
        if ((stamps_.size() + 1) * 2 > index_.size()) grow();
        std::uint32_t& slot = slot_of(key);
        if (slot) {
            stamps_[slot - 1].stamp = stamp;
            return;
        }
        stamps_.push_back({key, stamp});
        slot = static_cast<std::uint32_t>(stamps_.size());
    }

    // The plan and the gate ask in the manifest's order, mostly the order
    // the stamps were noted in: the stamp after the last one found is
    // looked at first, beside it, before the index, at a random place.
    const file_stamp* find(const keyed_digest& key)
    {
        if (next_ < stamps_.size() && stamps_[next_].key == key) return &stamps_[next_++].stamp;
        if (index_.empty()) return nullptr;
        const std::uint32_t slot = slot_of(key);
        if (!slot) return nullptr;
        next_ = slot;
        return &stamps_[slot - 1].stamp;
    }

    // The most a stamp takes: its entry, and up to four slots of an index
    // that is a power of two at least twice their number.
    static constexpr std::size_t room_per_stamp() { return sizeof(entry) + 4 * sizeof(std::uint32_t); }
    std::size_t probes_to_find_each() const
    {
        return ::probes_to_find_each(index_, [this](std::uint32_t slot) { return stamps_[slot - 1].key.low; });
    }

private:
    static constexpr std::size_t kFirstSlots = 16;

    struct entry {
        keyed_digest key;
        file_stamp stamp;
    };

    static std::size_t slots_for(std::size_t stamps)
    {
        std::size_t slots = 1;
        while (slots < 2 * stamps) slots *= 2;
        return slots;
    }

    std::uint32_t& slot_of(const keyed_digest& key)
    {
        const std::size_t mask = index_.size() - 1;
        for (std::size_t i = key.low & mask;; i = (i + 1) & mask)
            if (!index_[i] || stamps_[index_[i] - 1].key == key) return index_[i];
    }

    void grow()
    {
        // A place must fit its slot: four thousand million stamps would
        // take 190 GB, which no manifest read here leaves.
        if (index_.size() >= std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("too many stamps for the scan's index");
        std::vector<std::uint32_t> larger(std::max(2 * index_.size(), kFirstSlots), 0);
        index_.swap(larger);
        for (std::size_t i = 0; i < stamps_.size(); ++i) slot_of(stamps_[i].key) = static_cast<std::uint32_t>(i + 1);
    }

    std::vector<entry> stamps_;
    std::vector<std::uint32_t> index_;
    std::size_t next_ = 0;  // the place after the stamp last found
};

struct scan_record {
    std::mutex lock;
    bool known = false;
    std::string copy;  // dest_dir_path as scanned
    bool folder_present = false;
    dev_t device = 0;
    ino_t inode = 0;
    stamp_table files;
} scanned;

}  // namespace

file_stamp stamp_of_path(const std::string& path) { return stamp_at(AT_FDCWD, path); }

file_stamp stamp_at(int folder, const std::string& name)
{
    struct stat st;
    if (::fstatat(folder, name.c_str(), &st, 0) == 0) return stamp_from(st);
    const int err = errno;
    file_stamp s;
    if (err == ENOENT && ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        s = stamp_from(st);  // a link that leads nowhere
        s.present = false;
    } else {
        s.taken = err != ENOENT && err != ENOTDIR;
    }
    return s;
}

packed_sig installed_signature(const std::string& path, const file_stamp& seen)
{
    std::string sum;
    if (seen.present && calc_file_md5(path, sum) == 0) return packed_sig(sum);
    return packed_sig(seen.taken ? kSigUnreadable : "NONE");
}

file_stamp stamp_of_fd(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 ? stamp_from(st) : file_stamp();
}

void scan_stamps_forget()
{
    stamp_table gone;
    std::lock_guard<std::mutex> hold(scanned.lock);
    scanned.known = false;
    scanned.copy.clear();
    scanned.files.swap(gone);
}

void scan_stamps_begin(bool folder_present)
{
    struct stat st;
    const bool there = folder_present && ::stat(dest_dir_path.c_str(), &st) == 0;
    // The old table goes before the new one is made, not beside it.
    scan_stamps_forget();
    // A stamp for each file the scan reads, which the filter wants: a
    // manifest may hold many more, for other systems.  Room the limit on
    // the address space does not leave is no reason to end the program on
    // the main thread's reserve: the stamps then grow as the workers note
    // them, each failing alone.
    std::size_t read = 0;
    if (there)
        for (std::size_t i = 0; i < sim_info.size(); ++i)
            read += want_this_f(static_cast<int>(i), static_cast<int>(sim_info[i].size()) - 1);
    stamp_table files;
    {
        own_allocation_failures answering;
        try {
            stamp_table(read).swap(files);
        } catch (const std::bad_alloc&) {
            xer << "No room for the stamps of " << read << " files at once: they are made as noted.\n";
        }
    }
    std::lock_guard<std::mutex> hold(scanned.lock);
    scanned.known = true;
    scanned.copy = dest_dir_path;
    scanned.folder_present = there;
    scanned.device = there ? st.st_dev : 0;
    scanned.inode = there ? st.st_ino : 0;
    scanned.files.swap(files);
}

void scan_stamp_note(const file_version_struct& v, const file_stamp& seen)
{
    const keyed_digest key = v.path.digest();
    std::lock_guard<std::mutex> hold(scanned.lock);
    scanned.files.note(key, seen);
}

bool scan_stamp_of(const file_version_struct& v, file_stamp& judged)
{
    const keyed_digest key = v.path.digest();
    std::lock_guard<std::mutex> hold(scanned.lock);
    if (!scanned.known || scanned.copy != dest_dir_path) return false;
    if (!scanned.folder_present) {
        judged = file_stamp();
        return true;
    }
    const file_stamp* found = scanned.files.find(key);
    if (!found) return false;
    judged = *found;
    return true;
}

std::size_t scan_stamps_probes_to_find_each()
{
    std::lock_guard<std::mutex> hold(scanned.lock);
    return scanned.files.probes_to_find_each();
}

bool scanned_copy_folder(bool& present, dev_t& device, ino_t& inode)
{
    std::lock_guard<std::mutex> hold(scanned.lock);
    if (!scanned.known || scanned.copy != dest_dir_path) return false;
    present = scanned.folder_present;
    device = scanned.device;
    inode = scanned.inode;
    return true;
}

void recheck_files_changed_since_scan()
{
    bool present = false;
    dev_t device;
    ino_t inode;
    // A folder the scan did not find holds nothing it judged; one that has
    // appeared since is refused before the first write.
    if (!scanned_copy_folder(present, device, inode) || !present) return;
    for (size_t i = 0; i < sim_info.size(); ++i) {
        file_history_struct& history = sim_info[i];
        const int current = static_cast<int>(history.size()) - 1;
        if (current < 0 || !want_this_f(static_cast<int>(i), current)) continue;
        file_version_struct& v = history[current];
        file_stamp judged;
        if (!scan_stamp_of(v, judged)) continue;
        const std::string installed = dest_path_of(v);
        const file_stamp now = stamp_of_path(installed);
        if (now == judged) continue;
        v.sig_have = installed_signature(installed, now);
        v.is_current = v.sig_have == v.sig_want;
        scan_stamp_note(v, now);
        xer << "Changed since the scan: " << installed << "  sig_have=" << v.sig_have << "\n";
    }
}

std::size_t scan_stamps_room_per_file() { return stamp_table::room_per_stamp(); }
