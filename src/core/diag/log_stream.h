// The log file "xer": written by the main thread and by every worker.
//
// Each thread formats into its own stream (so no two threads ever touch
// the same ostream state) and hands complete lines to one shared file under
// a lock, so lines from different threads never interleave or tear.  Every
// instance shares the one file: opening or closing it through any thread's
// `xer` opens or closes it for all.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

class log_line_buffer : public std::streambuf {
public:
    ~log_line_buffer() override;

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    void hand_over();
    std::string pending_;
};

class log_stream : public std::ostream {
public:
    log_stream();

    // Truncates: the log is rewritten on every run.  Returns false when the
    // file cannot be created or is not the user's own to write
    // (open_own_file), with `why` (when given) saying which; the stream then
    // stays closed and lines vanish.
    bool open(const std::string& path, std::string* why = nullptr);
    bool is_open() const;
    // Closes the shared file; a failed close puts this stream in its failed
    // state.  Lines written afterwards reach no file.
    void close();

private:
    log_line_buffer buf_;
};

// This thread's view of the log.  `xer` reads as the stream itself, so the
// rest of the program writes `xer << ... ` as it would to a file stream.
log_stream& UTL_log_stream();
#define xer (UTL_log_stream())

// A line of what the program found before it knew where its log goes (the
// first look at the per-user folder, which may be where the log goes, and
// the search for the install disk the program may have to move off first):
// written at once while the log is open, else kept until the program
// writes what waited, once the log's header is out.
void UTL_log_when_open(const std::string& line);
// Writes the lines that waited for the log, when it is open.
void UTL_log_held_lines();
