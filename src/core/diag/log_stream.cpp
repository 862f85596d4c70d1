#include "log_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <vector>

#include "core/files/users_own.h"

namespace {

// Constant-initialised, so a global constructor that logs before main (or a
// destructor after it) still finds a valid lock and a closed file.
std::mutex sink_lock;
int sink_fd = -1;

// Lines that wait for the log to open, made when the first one comes (and
// so constant-initialised, as the lock), and how many more were not kept:
// a run whose log never opens must not keep them all.
constexpr size_t kMostHeldLines = 200;
std::vector<std::string>* held_lines = nullptr;
size_t lines_not_held = 0;

void write_all(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return;  // nowhere left to report a failing log
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
}

// With sink_lock held and the log open.
void write_held_lines()
{
    if (!held_lines) return;
    for (const std::string& line : *held_lines) write_all(sink_fd, line.data(), line.size());
    if (lines_not_held) {
        const std::string more =
            std::to_string(lines_not_held) + " more lines said before the log opened were not kept.\n";
        write_all(sink_fd, more.data(), more.size());
    }
    delete held_lines;
    held_lines = nullptr;
    lines_not_held = 0;
}

}  // namespace

log_stream& UTL_log_stream()
{
    static thread_local log_stream mine;
    return mine;
}

log_line_buffer::~log_line_buffer() { hand_over(); }

void log_line_buffer::hand_over()
{
    if (pending_.empty()) return;
    {
        std::lock_guard<std::mutex> hold(sink_lock);
        if (sink_fd >= 0) write_all(sink_fd, pending_.data(), pending_.size());
    }
    pending_.clear();
}

log_line_buffer::int_type log_line_buffer::overflow(int_type ch)
{
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    pending_.push_back(traits_type::to_char_type(ch));
    if (ch == '\n') hand_over();
    return ch;
}

std::streamsize log_line_buffer::xsputn(const char* s, std::streamsize n)
{
    pending_.append(s, static_cast<size_t>(n));
    // Only whole lines leave the thread; a partial line waits for its end
    // or for an explicit flush.
    if (pending_.find('\n') != std::string::npos) {
        size_t last = pending_.rfind('\n') + 1;
        std::string rest = pending_.substr(last);
        pending_.resize(last);
        hand_over();
        pending_ = std::move(rest);
    }
    return n;
}

int log_line_buffer::sync()
{
    hand_over();
    return 0;
}

log_stream::log_stream() : std::ostream(&buf_) {}

void UTL_log_when_open(const std::string& line)
{
    std::lock_guard<std::mutex> hold(sink_lock);
    if (sink_fd >= 0) {
        write_held_lines();
        write_all(sink_fd, line.data(), line.size());
    } else if (!held_lines || held_lines->size() < kMostHeldLines) {
        if (!held_lines) held_lines = new std::vector<std::string>;
        held_lines->push_back(line);
    } else {
        ++lines_not_held;
    }
}

void UTL_log_held_lines()
{
    std::lock_guard<std::mutex> hold(sink_lock);
    if (sink_fd >= 0) write_held_lines();
}

bool log_stream::open(const std::string& path, std::string* why)
{
    flush();
    place_fault fault;
    int fd = open_own_file(path, O_TRUNC | O_APPEND, fault);
    if (fd < 0 && why) *why = fault.text();
    std::lock_guard<std::mutex> hold(sink_lock);
    if (sink_fd >= 0) ::close(sink_fd);
    sink_fd = fd;
    if (fd < 0) {
        setstate(std::ios::failbit);
        return false;
    }
    clear();
    return true;
}

bool log_stream::is_open() const
{
    std::lock_guard<std::mutex> hold(sink_lock);
    return sink_fd >= 0;
}

void log_stream::close()
{
    flush();
    std::lock_guard<std::mutex> hold(sink_lock);
    if (sink_fd < 0) return;
    if (::close(sink_fd) != 0) setstate(std::ios::failbit);
    sink_fd = -1;
}
