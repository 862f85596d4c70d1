#include "engine/manifest_text.h"

#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

#include "core/files/file_checksum.h"

namespace {

// -- The pool ---

// Texts are copied into blocks of this size, which never move or go: a
// pooled pointer stays good for the whole run.
constexpr std::size_t kBlock = 1 << 20;

struct text_pool {
    std::mutex lock;
    std::vector<std::unique_ptr<char[]>> blocks;
    char* next = nullptr;
    std::size_t left = 0;
    // Open addressing over the pooled texts, at most half full.
    std::vector<const char*> slots = std::vector<const char*>(1024);
    std::size_t count = 0;
    std::size_t block_bytes = 0;
};

// Made on first use and never destroyed: texts are still read by globals
// that go at exit, in an order nobody chooses.
text_pool& pool()
{
    static text_pool* made = new text_pool;
    return *made;
}

std::string_view view_of(const char* text) { return pooled_view(text); }

std::size_t hash_of(std::string_view text) { return std::hash<std::string_view>{}(text); }

const char** slot_for(text_pool& in, std::string_view text, std::size_t hash)
{
    const std::size_t mask = in.slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask)
        if (!in.slots[i] || view_of(in.slots[i]) == text) return &in.slots[i];
}

void grow(text_pool& in)
{
    std::vector<const char*> old(in.slots.size() * 2);
    old.swap(in.slots);
    for (const char* text : old)
        if (text) *slot_for(in, view_of(text), hash_of(view_of(text))) = text;
}

// A text in a block: its length before it, a zero byte after it.
std::size_t text_bytes(std::size_t length) { return sizeof(std::uint32_t) + length + 1; }

const char* copy_in(text_pool& in, std::string_view text)
{
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    const std::size_t need = text_bytes(text.size());
    if (need > in.left) {
        const std::size_t size = need > kBlock ? need : kBlock;
        // Held before the list grows: a list that cannot grow frees it.
        std::unique_ptr<char[]> block(new char[size]);
        in.blocks.push_back(std::move(block));
        in.block_bytes += size;
        in.next = in.blocks.back().get();
        in.left = size;
    }
    char* at = in.next;
    std::memcpy(at, &length, sizeof length);
    std::memcpy(at + sizeof length, text.data(), text.size());
    at[sizeof length + text.size()] = 0;
    // The next text's length stays aligned as well.
    const std::size_t used = (need + 3) & ~std::size_t{3};
    in.next += used < in.left ? used : in.left;
    in.left -= used < in.left ? used : in.left;
    return at + sizeof length;
}

// -- Signatures ---

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The 16 bytes of an MD5 text, when `text` is one.
bool md5_bytes(std::string_view text, unsigned char* bytes)
{
    if (text.size() != 32) return false;
    for (std::size_t i = 0; i < 16; ++i) {
        const int high = hex_value(text[2 * i]), low = hex_value(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

}  // namespace

const char* pooled_text(std::string_view text)
{
    if (text.empty()) return empty_pooled_text + 4;
    // No manifest line comes near; a longer text is cut rather than wrapped.
    if (text.size() > 0xffffffffu) text = text.substr(0, 0xffffffffu);
    const std::size_t hash = hash_of(text);
    text_pool& in = pool();
    std::lock_guard<std::mutex> hold(in.lock);
    const char** slot = slot_for(in, text, hash);
    if (*slot) return *slot;
    *slot = copy_in(in, text);
    const char* made = *slot;
    if (++in.count * 2 > in.slots.size()) grow(in);
    return made;
}

std::size_t pooled_text_bytes()
{
    text_pool& in = pool();
    std::lock_guard<std::mutex> hold(in.lock);
    return in.block_bytes + in.slots.capacity() * sizeof(const char*) +
           in.blocks.capacity() * sizeof(std::unique_ptr<char[]>);
}

std::size_t pooled_text_room(std::size_t length)
{
    text_pool& in = pool();
    std::lock_guard<std::mutex> hold(in.lock);
    const std::size_t need = text_bytes(length);
    std::size_t room = need > in.left ? (need > kBlock ? need : kBlock) + sizeof(std::unique_ptr<char[]>) : 0;
    if ((in.count + 1) * 2 > in.slots.size()) room += 2 * in.slots.size() * sizeof(const char*);
    return room;
}

std::ostream& operator<<(std::ostream& out, const pooled_path& path) { return out << path.view(); }

packed_sig::packed_sig(std::string_view text)
{
    if (text.empty()) return;
    if (md5_bytes(text, bytes_)) {
        kind_ = md5_kind;
    } else if (text == "NONE") {
        kind_ = none_kind;
    } else if (text == "GONE") {
        kind_ = gone_kind;
    } else {
        kind_ = other_kind;
        const char* pooled = pooled_text(text);
        std::memcpy(bytes_, &pooled, sizeof pooled);
    }
}

std::string packed_sig::str() const
{
    switch (kind_) {
    case md5_kind: return md5_text(bytes_);
    case none_kind: return "NONE";
    case gone_kind: return "GONE";
    case other_kind: {
        const char* pooled;
        std::memcpy(&pooled, bytes_, sizeof pooled);
        return std::string(pooled_view(pooled));
    }
    default: return std::string();
    }
}

bool packed_sig::equals(std::string_view text) const
{
    switch (kind_) {
    case md5_kind: {
        unsigned char bytes[16];
        return md5_bytes(text, bytes) && std::memcmp(bytes, bytes_, 16) == 0;
    }
    case none_kind: return text == "NONE";
    case gone_kind: return text == "GONE";
    case other_kind: {
        const char* pooled;
        std::memcpy(&pooled, bytes_, sizeof pooled);
        return pooled_view(pooled) == text;
    }
    default: return text.empty();
    }
}

bool operator==(const packed_sig& a, const packed_sig& b)
{
    if (a.kind_ != b.kind_) return false;
    if (a.kind_ == packed_sig::md5_kind || a.kind_ == packed_sig::other_kind)
        return std::memcmp(a.bytes_, b.bytes_, a.kind_ == packed_sig::md5_kind ? 16 : sizeof(const char*)) == 0;
    return true;
}

std::ostream& operator<<(std::ostream& out, const packed_sig& sig) { return out << sig.str(); }
