#include "core/files/xmap.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/files/line_tokens.h"
#include "core/files/resources.h"
#include "core/shell_hooks.h"
#include "core/files/system_paths.h"

namespace {

// Where an empty file's begin and end point: data of no bytes.
const char kNoBytes[1] = {0};

// Only the program's own relative paths must use '/' alone: a user's
// absolute folder may hold ':' or '\' quite legally.
bool has_bad_dirchar(const std::string& p)
{
    return !p.empty() && p[0] != '/' && p.find_first_of("\\:") != std::string::npos;
}

}  // namespace

xmap_class::xmap_class(const std::string& p)
{
    if (!p.empty()) begin = retry(p);
}

xmap_class::~xmap_class() { release(); }

void xmap_class::release()
{
    if (!is_resource && begin && end > begin)
        ::munmap(const_cast<char*>(begin), static_cast<size_t>(end - begin));
    begin = pos = end = nullptr;
    is_resource = 0;
}

const char* xmap_class::retry(const std::string& p)
{
    path = p;
    std::string name = p;
    bool resource = UTL_path_is_resource(name);
    if (!resource) {
        if (!app_path.empty() && name.size() >= app_path.size() &&
            name.find(app_path) != std::string::npos)
            __MACIBM_alert(0, "retry: We are getting a file string that is not N-System relative!",
                           "This is illegal! All paths must be N-System relative!",
                           "The path in question is:", name, 2, __FILE__, __LINE__);
        if (has_bad_dirchar(name))
            __MACIBM_alert(0, "OOPS!", "I got a bad dirchar! I only want '/'!",
                           "The path in question is:", name, 2, __FILE__, __LINE__);
    }
    release();

    if (resource) {
        int bytes = 0;
        if (const char* data = UTL_resource_get_memory(name, bytes)) {
            begin = pos = data;
            end = data + bytes;
            is_resource = 1;
        }
        return begin;
    }

    set_path_to_full(name);
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    return map_descriptor(fd, name);
}

const char* xmap_class::take(int fd, const std::string& p)
{
    path = p;
    release();
    return map_descriptor(fd, p);
}

const char* xmap_class::map_descriptor(int fd, const std::string& name)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    if (st.st_size == 0) {
        begin = pos = end = kNoBytes;
        ::close(fd);
        return begin;
    }
    size_t bytes = static_cast<size_t>(st.st_size);
    void* data = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, fd, 0);
    int err = errno;
    // The mapping keeps the file; the descriptor is not needed past here.
    ::close(fd);
    if (data == MAP_FAILED) {
        xer << "Mem file error.  Err=" << err << ", file=" << name << "\n";
        if (err == ENOMEM && warn_when_no_room)
            __MACIBM_alert(0, "mmap() out of memory", "", "", "", 1, __FILE__, __LINE__);
        return nullptr;
    }
    begin = pos = static_cast<const char*>(data);
    end = begin + bytes;
    return begin;
}

void xmap_class::read_n_rev(long dest, long n)
{
    if (n < 0 || n > end - pos) {
        __MACIBM_alert(0, "Invalid read_n_rev read!", "", "", "", 2, __FILE__, __LINE__);
        return;
    }
    if (n == 0) return;  // an empty map has no address to copy from
    auto* out = reinterpret_cast<unsigned char*>(dest);
    std::memcpy(out, pos, static_cast<size_t>(n));
    pos += n;
    if (swap)
        for (long i = 0; i + 4 <= n; i += 4) std::reverse(out + i, out + i + 4);
}

// A field cut by the end of the data reads as 0, and so does every field
// after it.
uint32_t xmap_class::truncated_field()
{
    pos = end;
    return 0;
}

uint16_t xmap_class::read_16()
{
    if (!pos || end - pos < 2) return truncated_field();
    auto* b = reinterpret_cast<const unsigned char*>(pos);
    pos += 2;
    return swap ? uint16_t(b[0] << 8 | b[1]) : uint16_t(b[1] << 8 | b[0]);
}

uint32_t xmap_class::read_32()
{
    if (!pos || end - pos < 4) return truncated_field();
    auto* b = reinterpret_cast<const unsigned char*>(pos);
    pos += 4;
    uint32_t le = b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24;
    uint32_t be = b[3] | b[2] << 8 | b[1] << 16 | uint32_t(b[0]) << 24;
    return swap ? be : le;
}

void xmap_class::TXT_xer_line()
{
    if (!begin) return;
    long crs = 1, lfs = 1;
    for (const char* c = begin; c < pos; ++c) {
        if (*c == '\r') ++crs;
        if (*c == '\n') ++lfs;
    }
    const char* start = pos;
    while (start > begin && start[-1] != '\r' && start[-1] != '\n') --start;
    const char* stop = pos;
    while (stop < end && *stop != '\r' && *stop != '\n') ++stop;
    xer << std::max(crs, lfs) << " \"" << std::string(start, stop) << "\"\n" << std::flush;
}

void xmap_class::TXT_skip_blanks()
{
    while (pos < end && is_blank(*pos)) ++pos;
}

std::string xmap_class::take_after_blanks_until(bool (*stop)(char))
{
    TXT_skip_blanks();
    const char* start = pos;
    while (pos < end && !stop(*pos)) ++pos;
    return std::string(start, pos);
}

std::string xmap_class::TXT_token() { return take_after_blanks_until(TXT_is_delimiter); }

int xmap_class::TXT_int()
{
    TXT_skip_blanks();
    bool negative = false;
    if (pos < end && *pos == '-') negative = true, ++pos;
    if (pos < end && *pos == '+') negative = false, ++pos;
    // Unsigned, so that a run of thirty digits wraps instead of overflowing.
    unsigned value = 0;
    for (; pos < end && !TXT_is_delimiter(*pos); ++pos)
        value = value * 10u + static_cast<unsigned>(static_cast<signed char>(*pos) - '0');
    return static_cast<int>(negative ? 0u - value : value);
}

std::string xmap_class::TXT_rest_of_line() { return take_after_blanks_until(is_line_end); }

void xmap_class::TXT_next_line()
{
    while (pos < end && !is_line_end(*pos)) ++pos;
    TXT_skip_delimiters();
}

void xmap_class::TXT_skip_delimiters()
{
    while (pos < end && TXT_is_delimiter(*pos)) ++pos;
}

bool xmap_class::TXT_is_delimiter(char c) { return is_delimiter(c); }

