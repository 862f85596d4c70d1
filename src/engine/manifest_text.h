// The texts of a manifest line, held compactly: a manifest of a million
// lines kept each path and both signatures as strings of their own, about
// 390 bytes a line.
//
// pooled_path: the text lives once in a pool for the whole run (every
// history's versions, and every read of the same manifest, share it); the
// path itself is one pointer.  packed_sig: an MD5 in 16 bytes, the two
// markers and "" by a kind of their own, any other text pooled.
//
// Both read and compare as the strings they replace, except that an MD5
// reads back in lower case and compares without regard to letter case:
//
//   std::string full = dest_dir_path + v.path.substr(8);
//   if (v.sig_have == "NONE" || v.sig_have == v.sig_want) ...
//   v.sig_have = md5;    xer << v.path;
//
// The pool takes a lock; reading a pooled text needs none, as a text once
// pooled never moves or changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

// The pooled copy of `text`: equal texts give the same pointer.  Its length
// sits in the four bytes before it, and a zero byte after it.
const char* pooled_text(std::string_view text);

// What the pool holds, its blocks of texts and its table, in bytes.
std::size_t pooled_text_bytes();
// The most that pooling one more text of `length` bytes adds to that for a
// moment: a new block, and a table twice the size beside the old one.  A
// reader that answers for what it holds asks before it pools.
std::size_t pooled_text_room(std::size_t length);

// The pooled empty text, there before any pooling.
alignas(4) inline constexpr char empty_pooled_text[5] = {};

// A pooled text with its length.
inline std::string_view pooled_view(const char* pooled)
{
    std::uint32_t length;
    std::memcpy(&length, pooled - sizeof length, sizeof length);
    return {pooled, length};
}

class pooled_path {
public:
    pooled_path() = default;
    pooled_path(std::string_view text) : text_(pooled_text(text)) {}
    pooled_path(const std::string& text) : pooled_path(std::string_view(text)) {}
    pooled_path(const char* text) : pooled_path(std::string_view(text)) {}

    const char* c_str() const { return text_; }
    std::size_t size() const { return view().size(); }
    bool empty() const { return size() == 0; }
    char back() const { return text_[size() - 1]; }
    char operator[](std::size_t i) const { return text_[i]; }
    std::string_view view() const { return pooled_view(text_); }
    operator std::string_view() const { return view(); }
    operator std::string() const { return std::string(view()); }

    std::string substr(std::size_t pos, std::size_t n = std::string::npos) const
    {
        return std::string(view().substr(pos, n));
    }
    std::size_t find(std::string_view part, std::size_t pos = 0) const { return view().find(part, pos); }
    std::size_t find(char c, std::size_t pos = 0) const { return view().find(c, pos); }
    std::size_t rfind(std::string_view part, std::size_t pos = std::string::npos) const
    {
        return view().rfind(part, pos);
    }
    std::size_t rfind(char c, std::size_t pos = std::string::npos) const { return view().rfind(c, pos); }
    int compare(std::size_t pos, std::size_t n, std::string_view other) const
    {
        return view().compare(pos, n, other);
    }

    // Pooled texts are equal exactly when they are the same text.
    friend bool operator==(const pooled_path& a, const pooled_path& b) { return a.text_ == b.text_; }
    friend bool operator!=(const pooled_path& a, const pooled_path& b) { return a.text_ != b.text_; }
    friend bool operator==(const pooled_path& a, std::string_view b) { return a.view() == b; }
    friend bool operator!=(const pooled_path& a, std::string_view b) { return a.view() != b; }
    friend bool operator==(std::string_view a, const pooled_path& b) { return a == b.view(); }
    friend bool operator!=(std::string_view a, const pooled_path& b) { return a != b.view(); }
    friend bool operator==(const pooled_path& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const std::string& a, const pooled_path& b) { return a == b.view(); }
    friend bool operator==(const pooled_path& a, const char* b) { return a.view() == b; }
    friend bool operator!=(const pooled_path& a, const char* b) { return a.view() != b; }
    friend bool operator<(const pooled_path& a, const pooled_path& b) { return a.view() < b.view(); }

    friend std::string operator+(const std::string& a, const pooled_path& b) { return std::string(a).append(b.view()); }
    friend std::string operator+(const char* a, const pooled_path& b) { return std::string(a).append(b.view()); }
    friend std::string operator+(const pooled_path& a, const std::string& b) { return std::string(a) + b; }
    friend std::string operator+(const pooled_path& a, const char* b) { return std::string(a) + b; }

private:
    const char* text_ = empty_pooled_text + 4;
};

std::ostream& operator<<(std::ostream& out, const pooled_path& path);

class packed_sig {
public:
    packed_sig() = default;
    packed_sig(std::string_view text);
    packed_sig(const std::string& text) : packed_sig(std::string_view(text)) {}
    packed_sig(const char* text) : packed_sig(std::string_view(text)) {}

    std::string str() const;
    operator std::string() const { return str(); }
    bool empty() const { return kind_ == empty_kind; }
    void clear() { kind_ = empty_kind; }

    // The same text as `text`; pools nothing.
    bool equals(std::string_view text) const;

    friend bool operator==(const packed_sig& a, const packed_sig& b);
    friend bool operator!=(const packed_sig& a, const packed_sig& b) { return !(a == b); }
    friend bool operator==(const packed_sig& a, std::string_view b) { return a.equals(b); }
    friend bool operator!=(const packed_sig& a, std::string_view b) { return !a.equals(b); }
    friend bool operator==(std::string_view a, const packed_sig& b) { return b.equals(a); }
    friend bool operator!=(std::string_view a, const packed_sig& b) { return !b.equals(a); }
    friend bool operator==(const packed_sig& a, const std::string& b) { return a.equals(b); }
    friend bool operator!=(const packed_sig& a, const std::string& b) { return !a.equals(b); }
    friend bool operator==(const std::string& a, const packed_sig& b) { return b.equals(a); }
    friend bool operator!=(const std::string& a, const packed_sig& b) { return !b.equals(a); }
    friend bool operator==(const packed_sig& a, const char* b) { return a.equals(b); }
    friend bool operator!=(const packed_sig& a, const char* b) { return !a.equals(b); }

    friend std::string operator+(const std::string& a, const packed_sig& b) { return a + b.str(); }
    friend std::string operator+(const packed_sig& a, const std::string& b) { return a.str() + b; }
    friend std::string operator+(const packed_sig& a, const char* b) { return a.str() + b; }

private:
    // An MD5 (32 hex digits) in `bytes_`; "NONE" and "GONE"; anything else
    // pooled, its pointer in `bytes_`.  The digits' letter case is not kept:
    // a release tool may write them in upper case, and the signature it
    // means must still match the one the checksum computes, which reads
    // back in lower case.
    enum kind_t : unsigned char { empty_kind, md5_kind, none_kind, gone_kind, other_kind };
    unsigned char kind_ = empty_kind;
    unsigned char bytes_[16] = {};
};

std::ostream& operator<<(std::ostream& out, const packed_sig& sig);
