#include "core/files/own_file_stream.h"

#include <unistd.h>

#include <cerrno>

// No room to write into while closed: every write reaches overflow and
// fails, as on a file stream that is not open.
own_file_buffer::own_file_buffer() { setp(nullptr, nullptr); }

own_file_buffer::~own_file_buffer() { close(); }

void own_file_buffer::attach(int fd)
{
    close();
    fd_ = fd;
    failed_ = false;
    setp(bytes_, bytes_ + sizeof bytes_);
}

bool own_file_buffer::write_out()
{
    const char* p = pbase();
    while (p < pptr() && !failed_) {
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(pptr() - p));
        if (n > 0)
            p += n;
        else if (n == 0 || errno != EINTR)
            failed_ = true;
    }
    setp(bytes_, bytes_ + sizeof bytes_);
    return !failed_;
}

own_file_buffer::int_type own_file_buffer::overflow(int_type ch)
{
    if (fd_ < 0 || !write_out()) return traits_type::eof();
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
    return ch;
}

int own_file_buffer::sync() { return fd_ >= 0 && write_out() ? 0 : -1; }

bool own_file_buffer::close()
{
    if (fd_ < 0) return true;
    bool ok = write_out();
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    setp(nullptr, nullptr);
    return ok;
}

own_file_stream::own_file_stream() : std::ostream(&buf_) {}

void own_file_stream::open(int fd)
{
    if (!buf_.close()) setstate(std::ios::failbit);
    if (fd < 0) {
        setstate(std::ios::failbit);
        return;
    }
    buf_.attach(fd);
}

void own_file_stream::close()
{
    if (!buf_.close()) setstate(std::ios::failbit);
}
