// The texts of a manifest line, held compactly: a manifest of a million
// lines kept each path and both signatures as strings of their own, about
// 390 bytes a line.
//
// pooled_path: the text lives once in the pool of the manifest that holds
// it (every version of a history, and equal paths, share it); the path
// itself is one pointer.  The pool belongs to the manifest (sim_info) and
// goes with it, whatever drops or replaces it; a reading pools into a pool
// of its own, which goes with the reading when the manifest is refused
// and comes into sim_info with the histories when it is accepted; so what
// a reading takes it gives back, however often a server sends a manifest.
// packed_sig: an MD5 in 16 bytes, the two markers and "" by a kind of
// their own, any other text pooled for the whole run (only the checksum's
// own markers come there: a manifest's signatures are MD5s or markers).
//
// Both read and compare as the strings they replace, except that an MD5
// reads back in lower case and compares without regard to letter case:
//
//   std::string full = dest_dir_path + v.path.substr(8);
//   if (v.sig_have == "NONE" || v.sig_have == v.sig_want) ...
//   v.sig_have = md5;    xer << v.path;
//
// A pool takes a lock; reading a pooled text needs none, as a text once
// pooled never moves or changes while its pool lives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/keyed_hash.h"

// Texts pooled once each, that live and die together: equal texts give
// the same pointer.  A text's length sits in the four bytes before it, its
// keyed digest in the sixteen before those, and a zero byte after it.  The
// digest names the text alike in every pool of the process: what stands
// for a path beyond one manifest is keyed by it, and it is computed once,
// as the text is pooled.  A path is a server's choice: the pool's table
// hashes by the digest, which the server cannot know.
class text_pool {
public:
    text_pool();
    ~text_pool();
    text_pool(const text_pool&) = delete;
    text_pool& operator=(const text_pool&) = delete;

    const char* pool(std::string_view text);
    // What the pool holds, its blocks of texts and its table, in bytes.
    std::size_t bytes();
    // The most that pooling one more text of `length` bytes adds to that
    // for a moment: a new block and a longer list of them, and a table
    // twice the size beside the old one.  A reader that answers for what
    // it holds asks before it pools.
    std::size_t room(std::size_t length);
    // Drops every text, and the pool's blocks and table with them: the
    // empty pool holds nothing until a text comes.  Allocates nothing.
    void clear();

    // How many texts it holds, and how many slots of its table finding each
    // of them once looks at: the measure of the table's cost, for tests and
    // benchmarks.  About 1.5 a text, whatever the texts.
    std::size_t count();
    std::size_t probes_to_find_each();

private:
    const char** slot_for(std::string_view text, std::uint64_t hash);
    void grow();
    std::size_t table_size() const;
    // The size of the next block, for a text of `need` bytes with its length.
    std::size_t block_for(std::size_t need) const;
    const char* copy_in(std::string_view text, const keyed_digest& digest);

    std::mutex lock_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
    // Open addressing over the pooled texts, at most half full; made with
    // the first text.
    std::vector<const char*> slots_;
    std::size_t count_ = 0;
    std::size_t block_bytes_ = 0;
};

// The pool of the manifest in sim_info, where a path made from a string is
// pooled.
text_pool& manifest_texts();

// What stands before a pooled text: its digest, then its length.
constexpr std::size_t kPooledDigestAt = sizeof(keyed_digest) + sizeof(std::uint32_t);

// The pooled empty text, there before any pooling, its digest zero.
alignas(4) inline constexpr char empty_pooled_text[kPooledDigestAt + 1] = {};

// A pooled text with its length.
inline std::string_view pooled_view(const char* pooled)
{
    std::uint32_t length;
    std::memcpy(&length, pooled - sizeof length, sizeof length);
    return {pooled, length};
}

inline keyed_digest pooled_digest(const char* pooled)
{
    keyed_digest digest;
    std::memcpy(&digest, pooled - kPooledDigestAt, sizeof digest);
    return digest;
}

class pooled_path {
public:
    pooled_path() = default;
    // Pooled in the manifest's pool.
    pooled_path(std::string_view text) : text_(manifest_texts().pool(text)) {}
    pooled_path(const std::string& text) : pooled_path(std::string_view(text)) {}
    pooled_path(const char* text) : pooled_path(std::string_view(text)) {}
    // A text `texts` pooled.
    pooled_path(text_pool& texts, std::string_view text) : text_(texts.pool(text)) {}

    const char* c_str() const { return text_; }
    std::size_t size() const { return view().size(); }
    bool empty() const { return size() == 0; }
    char back() const { return text_[size() - 1]; }
    char operator[](std::size_t i) const { return text_[i]; }
    std::string_view view() const { return pooled_view(text_); }
    // Equal paths, in any pool, have one digest.
    keyed_digest digest() const { return pooled_digest(text_); }
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

    // Within a pool, equal texts are the same text; paths of two pools
    // compare by their bytes.
    friend bool operator==(const pooled_path& a, const pooled_path& b)
    {
        return a.text_ == b.text_ || a.view() == b.view();
    }
    friend bool operator!=(const pooled_path& a, const pooled_path& b) { return !(a == b); }
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
    const char* text_ = empty_pooled_text + kPooledDigestAt;
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
