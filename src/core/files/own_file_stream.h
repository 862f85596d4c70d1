// A stream that writes to a descriptor the program opened and judged
// itself (open_own_file): the standard file streams open by name, empty
// the file as they do, and would write through whatever stands there.
#pragma once

#include <ostream>
#include <streambuf>

class own_file_buffer : public std::streambuf {
public:
    own_file_buffer();
    ~own_file_buffer() override;
    own_file_buffer(const own_file_buffer&) = delete;
    own_file_buffer& operator=(const own_file_buffer&) = delete;

    // Writes to `fd` from now on; the buffer closes it.
    void attach(int fd);
    bool is_open() const { return fd_ >= 0; }
    // Writes what waits and closes the file; false when a write or the
    // close failed.
    bool close();

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    bool write_out();
    int fd_ = -1;
    bool failed_ = false;
    char bytes_[8192];
};

class own_file_stream : public std::ostream {
public:
    own_file_stream();

    // Writes to `fd` (open for writing) from now on, after closing what
    // was open; -1 leaves the stream closed and failed, as a stream whose
    // file could not be opened.
    void open(int fd);
    bool is_open() const { return buf_.is_open(); }
    // A failed write or close puts the stream in its failed state.
    void close();

private:
    own_file_buffer buf_;
};
