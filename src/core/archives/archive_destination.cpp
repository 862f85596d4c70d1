#include "core/archives/archive_destination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"

namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The components of a relative name, "" and "." dropped, letters folded.
std::vector<std::string> folded_components(const std::string& name)
{
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= name.size()) {
        size_t end = std::min(name.find('/', pos), name.size());
        std::string part = name.substr(pos, end - pos);
        if (!part.empty() && part != ".") {
            std::transform(part.begin(), part.end(), part.begin(), fold);
            parts.push_back(part);
        }
        pos = end + 1;
    }
    return parts;
}

std::string joined(const std::vector<std::string>& parts, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i) out += '/';
        out += parts[i];
    }
    return out;
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

}  // namespace

extract_dest::extract_dest(const std::string& out_dir, bool correct_case)
    : out_dir_(out_dir), correct_case_(correct_case)
{
}

int extract_dest::refuse(const std::string& name, const char* why)
{
    FILE_ERR_HERE();
    xer << "Refused archive entry \"" << name << "\": " << why << ". out_dir=" << out_dir_
        << "\n";
    return kErrUnsafeEntry;
}

bool extract_dest::is_link_made_here(const std::string& folded) const
{
    return std::find(links_.begin(), links_.end(), folded) != links_.end();
}

int extract_dest::place(const std::string& name, bool leaf)
{
    path_ = out_dir_ + name;
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
    for (size_t n = 1; n < parts.size(); ++n)
        if (is_link_made_here(joined(parts, n)))
            return refuse(name, "the name lies beneath a link made by this archive");

    if (correct_case_) set_path_to_full(path_);
    return 0;
}

int extract_dest::make_folder(const std::string& name)
{
    int err = place(name, false);
    if (err) return err;
    // Straight to the system: path_ is full already, and make_folder would
    // walk the disk once more to correct its letter case.
    if (::mkdir(path_.c_str(), 0755) != 0 && errno != EEXIST) {
        FILE_ERR_HERE();
        return errno;
    }
    return 0;
}

int extract_dest::make_link(const std::string& name, const std::string& target)
{
    int err = place(name, true);
    if (err) return err;
    // The system would read the target only up to a zero byte: "..\0x"
    // would pass the walk below as a name and become "..".
    if (target.find('\0') != std::string::npos)
        return refuse(name, "the link's target holds a zero byte");
    if (!target.empty() && target[0] == '/')
        return refuse(name, "the link's target is absolute");

    // Walk the target from the link's folder; it must stay inside out_dir
    // and may not step back out of a link made here, whose ".." is not the
    // folder the name suggests.
    std::vector<std::string> at = folded_components(name);
    at.pop_back();
    std::vector<std::string> steps = folded_components(target);
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] != "..") {
            at.push_back(steps[i]);
            if (i + 1 < steps.size() && is_link_made_here(joined(at, at.size())))
                return refuse(name, "the link's target runs through a link made by this archive");
            continue;
        }
        if (at.empty()) return refuse(name, "the link's target climbs out of the folder");
        at.pop_back();
    }

    ::unlink(path_.c_str());
    if (::symlink(target.c_str(), path_.c_str()) != 0) {
        FILE_ERR_HERE();
        return -1;
    }
    std::vector<std::string> parts = folded_components(name);
    std::string key = joined(parts, parts.size());
    if (!is_link_made_here(key)) links_.push_back(key);
    return 0;
}

int extract_dest::write_file(const std::string& name, const char* data, size_t size,
                             const extract_attrs& attrs, int write_failed)
{
    int err = place(name, true);
    if (err) return err;

    auto failed_write = [&](int why) {
        FILE_ERR_HERE();
        if (!write_failed || why <= 0) return why;
        xer << "Writing \"" << path_ << "\" failed: " << error_str(why) << "\n";
        return write_failed;
    };
    // A new file renamed over whatever is there: it never writes through a
    // link, and a full disk leaves the old file rather than half a new one.
    std::string temp;
    int fd = open_beside(path_, &temp);
    if (fd < 0) {
        FILE_ERR_HERE();
        return errno;
    }
    err = write_all(fd, data, size);
    if (err) err = failed_write(err);
    if (!err && attrs.set_mode && ::fchmod(fd, attrs.mode & 0777) != 0) {
        FILE_ERR_HERE();
        err = errno;
    }
    if (!err && attrs.set_time) {
        timespec times[2] = {{attrs.mtime, 0}, {attrs.mtime, 0}};
        if (::futimens(fd, times) != 0) {
            FILE_ERR_HERE();
            err = -1;
        }
    }
    // A delayed write error (a full disk on some file systems) shows here.
    if (::close(fd) != 0 && !err) err = failed_write(errno);
    return replace_by(temp, path_, err);
}
