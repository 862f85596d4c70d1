// Read-only access to the whole of one file, or of a built-in resource
// ("RESOURCE:name"), as bytes in memory, with the read position that the
// header check and the text readers advance.
//
// Disk files are mapped, never copied: a manifest of many megabytes is read
// in place.  Only regular files are mapped; a pipe or a device gives no
// data, as a missing file does, so a reader never blocks on one.
#pragma once

#include <cstdint>
#include <string>

// Header kinds of the program's data files.
enum {
    kHeaderBinary = 10000,  // "i" or "a", then a 32-bit version
    kHeaderText = 10001,    // "I"/"A" line, version line, optional keyword line
};

class xmap_class {
public:
    explicit xmap_class(const std::string& path = std::string());
    ~xmap_class();
    xmap_class(const xmap_class&) = delete;
    xmap_class& operator=(const xmap_class&) = delete;

    // Releases what the object holds and loads `path`; returns begin, null
    // when nothing could be loaded (a missing or unreadable file: no message).
    const char* retry(const std::string& path);
    // The same for the file open at `fd`, which the object closes, named
    // `path`: what was judged on a descriptor is what is read.
    const char* take(int fd, const std::string& path);

    // The common header at the start of the data (file_header.cpp): the
    // version found when it is in `versions` (0-ended) and the keyword (if
    // asked) follows, else 0.  `rest` gets the text after a text header's
    // version number.  Leaves the read position after the header.  The
    // version read stays in `header_version`, listed or not, so a reader can
    // tell a file newer than it knows from an older or damaged one.
    int check_file(int kind, const int* versions, const char* keyword, std::string* rest);

    // Copies n bytes from the read position to the address `dest` and
    // advances; with `swap` set each whole 32-bit word is byte-reversed.
    // Reading past the end is fatal.
    void read_n_rev(long dest, long n);

    // 16- and 32-bit values at the read position, swapped when `swap` is
    // set; 0 once the data ends (a cut field moves the position to the end).
    uint16_t read_16();
    uint32_t read_32();

    // Logs the line under the read position with its line number.
    void TXT_xer_line();

    // Text reading steps.  A blank is a space or a tab, a line end CR, LF or
    // NUL; the end of the data stops every step.  Token, integer and rest of
    // line skip blanks first.
    void TXT_skip_blanks();
    std::string TXT_token();         // up to the next blank or line end
    int TXT_int();                   // "-"/"+", then digits, unchecked
    std::string TXT_rest_of_line();  // up to the line end, blanks kept
    void TXT_next_line();            // past the line end and every delimiter after it
    void TXT_skip_delimiters();
    static bool TXT_is_delimiter(char c);
    bool TXT_at_end() const { return pos >= end; }

    // Mode 1 opens `path` for writing through `ouf` with a header of `kind`
    // and version versions[0]; mode 0 loads it and checks its header
    // (file_header.cpp, with the header's writer).
    bool io_file_open(int mode, std::string path, int* versions, int kind);
    // Closes `ouf` when the object opened it for writing.
    void io_file_close();

    size_t size() const { return static_cast<size_t>(end - begin); }

    int swap = 0;               // file's 32-bit values in the other byte order
    int io_mode = 0;            // last mode of io_file_open
    int header_version = 0;     // of the last check_file; 0 when none was read
    const char* begin = nullptr;
    const char* pos = nullptr;  // next byte to read
    const char* end = nullptr;
    int is_resource = 0;        // built-in bytes: never unmapped
    // False for a reader that answers itself for a file this process has
    // no room to map (a server's manifest, which another server may mend):
    // then retry only logs it.
    bool warn_when_no_room = true;
    std::string path;           // as last given to retry

private:
    void release();
    const char* map_descriptor(int fd, const std::string& name);
    uint32_t truncated_field();
    std::string take_after_blanks_until(bool (*stop)(char));
};
