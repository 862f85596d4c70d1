#include "core/archives/archive_destination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/diag/log_stream.h"
#include "core/files/file_checksum.h"
#include "core/files/md5.h"

namespace {

// The components of a relative name, "" and "." dropped, letters folded.
std::vector<std::string> folded_components(const std::string& name)
{
    return name_components(ascii_folded(name));
}

// The part of a name after its last '/'.
std::string last_component(const std::string& name)
{
    size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

int write_all(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (put == 0) return kErrZipWrite;
        data += put;
        size -= static_cast<size_t>(put);
    }
    return 0;
}

// One block per thread for its whole life, as the checksum has: pieces of
// this size keep the write in the cache next to the decoding.
constexpr size_t kBlock = 256 * 1024;

// Null when it cannot be had: a failed allocation here must not end the
// program in the middle of an unpacking.
char* thread_block()
{
    static thread_local std::unique_ptr<char[]> block;
    if (!block) block.reset(new (std::nothrow) char[kBlock]);
    return block.get();
}

// The bytes a file may still take on the disk that holds `folder`.
unsigned long long room_at(int folder)
{
    struct statfs fs;
    if (::fstatfs(folder, &fs) != 0) return ~0ull;
    return static_cast<unsigned long long>(fs.f_bavail) * static_cast<unsigned long long>(fs.f_bsize);
}

}  // namespace

extract_dest::extract_dest(const confined_folder& root, const std::string& sub, int write_failed)
    : root_(root), sub_(sub), write_failed_(write_failed)
{
}

int extract_dest::failed_write(int why)
{
    FILE_ERR_HERE();
    if (!write_failed_ || why <= 0) return why;
    xer << "Writing \"" << path_ << "\" failed: " << error_str(why) << "\n";
    return write_failed_;
}

int extract_dest::refuse(const std::string& name, const char* why)
{
    FILE_ERR_HERE();
    xer << "Refused archive entry \"" << shown_name(name) << "\": " << why << ". out_dir=" << root_.path() << sub_
        << "\n";
    return kErrUnsafeEntry;
}

bool extract_dest::is_link_made_here(const std::string& folded) const { return links_.count(folded) != 0; }

bool extract_dest::beneath_link_made_here(const std::vector<std::string>& parts) const
{
    if (links_.empty()) return false;
    std::string folder;
    for (size_t n = 0; n + 1 < parts.size(); ++n) {
        if (n) folder += '/';
        folder += parts[n];
        if (is_link_made_here(folder)) return true;
    }
    return false;
}

int extract_dest::place(const std::string& name, bool leaf, placed_name& at)
{
    path_ = root_.path() + sub_ + name;
    if (name.find('\0') != std::string::npos) return refuse(name, "the name holds a zero byte");
    if (!name.empty() && name[0] == '/') return refuse(name, "the name is absolute");
    std::vector<std::string> parts = folded_components(name);
    if (std::find(parts.begin(), parts.end(), "..") != parts.end())
        return refuse(name, "the name climbs out with \"..\"");
    if (leaf) {
        std::string last = last_component(name);
        if (parts.empty() || last.empty() || last == ".")
            return refuse(name, "the name has no file name");
    }
    // Nothing goes beneath a link this extraction made: its target may be
    // anywhere by the time the entry is written.
    if (beneath_link_made_here(folded_components(sub_ + name)))
        return refuse(name, "the name lies beneath a link made by this archive");

    std::string placed = sub_ + name;
    while (placed.size() > 1 && placed.back() == '/') placed.pop_back();
    int err = root_.place(placed, at);
    if (err == kErrLeadsOut) {
        // The folder we were sent to is the caller's; a name in it is the
        // archive's.
        int folder = sub_.empty() ? -1 : root_.open_path(sub_, true);
        if (folder >= 0) ::close(folder);
        if (!sub_.empty() && folder < 0 && errno == kErrLeadsOut) {
            FILE_ERR_HERE();
            xer << "Refused to unpack into " << root_.path() << sub_ << ": it leads out through a link.\n";
            return kErrLeadsOut;
        }
        return refuse(name, "the name leads out of the folder through a link");
    }
    if (err) {
        FILE_ERR_HERE();
        return err;
    }
    path_ = root_.path() + at.relative();
    if (!leaf && !name.empty() && name.back() == '/') path_ += '/';
    return 0;
}

int extract_dest::make_folder(const std::string& name)
{
    // The folder itself ("./" and the like) is there already.
    if (folded_components(sub_ + name).empty()) return 0;
    placed_name at;
    int err = place(name, false, at);
    if (err) return err;
    err = at.make_folder(0755);
    if (err && err != EEXIST) {
        FILE_ERR_HERE();
        return err;
    }
    return 0;
}

staged_entry::~staged_entry()
{
    if (!temp_.empty()) at_.commit(temp_, ECANCELED);
    if (held_ >= 0) ::close(held_);
}

int staged_entry::commit()
{
    int err = at_.commit(temp_, 0);
    temp_.clear();
    if (held_ >= 0) ::close(held_);
    held_ = -1;
    return err;
}

int extract_dest::make_link(const std::string& name, const std::string& target, const entry_check& check)
{
    staged_entry staged;
    int err = stage_link(name, target, check, staged);
    if (!err) err = staged.commit();
    if (!err) remember_link(name);
    return err;
}

void extract_dest::remember_link(const std::string& name)
{
    std::vector<std::string> parts = folded_components(sub_ + name);
    links_.insert(joined_components(parts, parts.size()));
}

int extract_dest::stage_link(const std::string& name, const std::string& target, const entry_check& check,
                             staged_entry& staged)
{
    md5_found_.clear();
    placed_name& at = staged.at_;
    int err = place(name, true, at);
    if (err) return err;
    // The system would read the target only up to a zero byte: "..\0x"
    // would pass the walk below as a name and become "..".
    if (target.find('\0') != std::string::npos)
        return refuse(name, "the link's target holds a zero byte");
    // A link to nothing, as the 7z reader hands over every link: the system
    // would answer "No such file or directory", which reads as a file
    // missing here.
    if (target.empty()) return refuse(name, "the link has no target");
    if (target[0] == '/') return refuse(name, "the link's target is absolute");

    // Walk the target from the link's folder; it must stay inside the root
    // and may not step back out of a link made here, whose ".." is not the
    // folder the name suggests.
    // The folder reached, and where each of its components begins.
    std::string at_folder;
    std::vector<size_t> starts;
    auto enter = [&at_folder, &starts](const std::string& part) {
        starts.push_back(at_folder.size());
        if (!at_folder.empty()) at_folder += '/';
        at_folder += part;
    };
    std::vector<std::string> parts = folded_components(sub_ + name);
    parts.pop_back();
    for (const std::string& part : parts) enter(part);
    std::vector<std::string> steps = folded_components(target);
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] != "..") {
            enter(steps[i]);
            if (i + 1 < steps.size() && is_link_made_here(at_folder))
                return refuse(name, "the link's target runs through a link made by this archive");
            continue;
        }
        if (starts.empty()) return refuse(name, "the link's target climbs out of the folder");
        at_folder.resize(starts.back());
        starts.pop_back();
    }

    // Made beside and renamed over the old name: there is no moment without
    // a file or link under the name.
    if (const int failed = at.link_beside(target, &staged.temp_)) {
        FILE_ERR_HERE();
        staged.temp_.clear();
        return failed;
    }
    if (!check.md5.empty()) err = check_link(at, staged.temp_, check);
    return err;
}

// The file a new link leads to, found the way every later read will find
// it: from the root, by the kernel, never outside.
int extract_dest::check_link(const placed_name& at, const std::string& temp, const entry_check& check)
{
    const size_t slash = at.relative().rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : at.relative().substr(0, slash + 1);
    int fd = root_.open_read(folder + temp);
    if (fd < 0) {
        if (errno == kErrLeadsOut) return refuse(at.relative(), "the link leads out of the folder");
        return refuse(at.relative(), "the link leads to no file");
    }
    const int err = calc_fd_md5(fd, md5_found_);
    ::close(fd);
    if (err != 0) return refuse(at.relative(), "the link leads to no file");
    return compare_signature(check);
}

int extract_dest::compare_signature(const entry_check& check)
{
    if (md5_found_ == check.md5) return 0;
    FILE_ERR_HERE();
    xer << "Refused \"" << path_ << "\": its signature is " << md5_found_ << ", not " << check.md5 << ".\n";
    return kErrWrongContent;
}

int extract_dest::write_file(const std::string& name, const archive_item& item, archive_reader& from,
                             const entry_check& check)
{
    staged_entry staged;
    int err = stage_file(name, item, from, check, staged);
    return err ? err : staged.commit();
}

int extract_dest::stage_file(const std::string& name, const archive_item& item, archive_reader& from,
                             const entry_check& check, staged_entry& staged)
{
    md5_found_.clear();
    placed_name& at = staged.at_;
    int err = place(name, true, at);
    if (err) return err;

    // A new file renamed over whatever is there: it never writes through a
    // link, and a full disk or a damaged entry leaves the old file rather
    // than half a new one.  Made with the entry's mode, so that the user's
    // umask takes from it what the user lets no one else have: an entry
    // marked 0777 must not give other users a program to replace.  Whatever
    // mode the archive gives, the file stays its owner's to read and
    // replace: a copy its own user cannot read is a broken copy.
    const mode_t mode = item.attrs.set_mode ? (item.attrs.mode & 0777) | S_IRUSR | S_IWUSR : 0666;
    int fd = at.create_beside(&staged.temp_, mode);
    if (fd < 0) {
        FILE_ERR_HERE();
        staged.temp_.clear();
        return errno;
    }
    // Its lock tells other runs' sweeps that the file is being written, until
    // it is in its place or gone: a copy of the descriptor keeps it.
    staged.held_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    err = staged.held_ < 0 ? errno : fill(at, fd, item, from, check);
    if (!err && item.attrs.set_time) {
        timespec times[2] = {{item.attrs.mtime, 0}, {item.attrs.mtime, 0}};
        if (::futimens(fd, times) != 0) {
            FILE_ERR_HERE();
            err = errno;
        }
    }
    // A delayed write error (a full disk on some file systems) shows here.
    if (::close(fd) != 0 && !err) err = failed_write(errno);
    return err;
}

int extract_dest::fill(const placed_name& at, int fd, const archive_item& item, archive_reader& from,
                       const entry_check& check)
{
    // Sizes are checked before a byte is written, and again as the bytes
    // come: a lying entry could fill the disk the copy lives on.  A file of
    // one block needs no look at the disk first: its write says so.
    const unsigned long long room = item.size > kBlock ? room_at(at.folder()) : ~0ull;
    const unsigned long long limit = check.max_size ? check.max_size : ~0ull;
    if (item.size > limit || item.size > room) {
        FILE_ERR_HERE();
        xer << "Refused archive entry \"" << shown_name(item.name) << "\" of " << item.size << " bytes: "
            << (item.size > limit ? "larger than the file it must be" : "larger than the free space")
            << ". out_dir=" << root_.path() << sub_ << "\n";
        return item.size > limit ? kErrLargerThanExpected : ENOSPC;
    }
    const bool hashing = !check.md5.empty();
    MD5_CTX context;
    if (hashing) MD5Init(&context);
    char* block = thread_block();
    if (!block) {
        FILE_ERR_HERE();
        return ENOMEM;
    }
    unsigned long long total = 0;
    for (;;) {
        size_t got = 0;
        int err = from.read(block, kBlock, &got);
        if (err) return err;
        if (got == 0) break;
        total += got;
        if (total > limit || total > room) {
            FILE_ERR_HERE();
            xer << "Refused archive entry \"" << shown_name(item.name) << "\": it unpacks to more than "
                << (total > limit ? limit : room) << " bytes. out_dir=" << root_.path() << sub_ << "\n";
            return total > limit ? kErrLargerThanExpected : ENOSPC;
        }
        if (hashing) MD5UpdateWide(&context, reinterpret_cast<unsigned char*>(block), static_cast<unsigned>(got));
        if ((err = write_all(fd, block, got)) != 0) return failed_write(err);
    }
    if (!hashing) return 0;
    MD5Final(&context);
    md5_found_ = md5_text(context.digest);
    return compare_signature(check);
}
