#include "engine/manifest_text.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

#include "core/files/file_checksum.h"

namespace {

// -- Pools ---

// Texts are copied into blocks, which never move while their pool lives: a
// pooled pointer stays good as long as its pool.  The first block is
// small, as most manifests are, and each next one as large as all before
// it, up to the largest.
constexpr std::size_t kFirstBlock = 64 << 10;
constexpr std::size_t kLargestBlock = 1 << 20;
// The table's first size, in texts: it doubles as it fills half.
constexpr std::size_t kFirstTable = 1024;

std::string_view view_of(const char* text) { return pooled_view(text); }

keyed_digest digest_of(std::string_view text) { return keyed_digest_of(text.data(), text.size()); }

// A text in a block: its digest and length before it, a zero byte after it.
std::size_t text_bytes(std::size_t length) { return kPooledDigestAt + length + 1; }

// No manifest line comes near; a longer text is cut rather than wrapped.
std::string_view poolable(std::string_view text) { return text.substr(0, 0xffffffffu); }

// The checksum's own markers, which workers write side by side.
text_pool& run_texts()
{
    static text_pool* made = new text_pool;
    return *made;
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

text_pool::text_pool() = default;

text_pool::~text_pool() = default;

std::size_t text_pool::table_size() const { return slots_.empty() ? kFirstTable : slots_.size(); }

const char** text_pool::slot_for(std::string_view text, std::uint64_t hash)
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask)
        if (!slots_[i] || view_of(slots_[i]) == text) return &slots_[i];
}

void text_pool::grow()
{
    std::vector<const char*> old(slots_.size() * 2);
    old.swap(slots_);
    for (const char* text : old)
        if (text) *slot_for(view_of(text), pooled_digest(text).low) = text;
}

std::size_t text_pool::block_for(std::size_t need) const
{
    const std::size_t size = std::min(std::max(block_bytes_, kFirstBlock), kLargestBlock);
    return need > size ? need : size;
}

const char* text_pool::copy_in(std::string_view text, const keyed_digest& digest)
{
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    const std::size_t need = text_bytes(text.size());
    if (need > left_) {
        const std::size_t size = block_for(need);
        // Held before the list grows: a list that cannot grow frees it.
        std::unique_ptr<char[]> block(new char[size]);
        blocks_.push_back(std::move(block));
        block_bytes_ += size;
        next_ = blocks_.back().get();
        left_ = size;
    }
    char* at = next_;
    std::memcpy(at, &digest, sizeof digest);
    std::memcpy(at + sizeof digest, &length, sizeof length);
    std::memcpy(at + kPooledDigestAt, text.data(), text.size());
    at[kPooledDigestAt + text.size()] = 0;
    // The next text's length stays aligned as well.
    const std::size_t used = (need + 3) & ~std::size_t{3};
    next_ += used < left_ ? used : left_;
    left_ -= used < left_ ? used : left_;
    return at + kPooledDigestAt;
}

const char* text_pool::pool(std::string_view text)
{
    if (text.empty()) return empty_pooled_text + kPooledDigestAt;
    text = poolable(text);
    const keyed_digest digest = digest_of(text);
    std::lock_guard<std::mutex> hold(lock_);
    if (slots_.empty()) slots_.resize(kFirstTable);
    const char** slot = slot_for(text, digest.low);
    if (*slot) return *slot;
    *slot = copy_in(text, digest);
    const char* made = *slot;
    if (++count_ * 2 > slots_.size()) grow();
    return made;
}

std::size_t text_pool::bytes()
{
    std::lock_guard<std::mutex> hold(lock_);
    return block_bytes_ + slots_.capacity() * sizeof(const char*) +
           blocks_.capacity() * sizeof(std::unique_ptr<char[]>);
}

std::size_t text_pool::room(std::size_t length)
{
    std::lock_guard<std::mutex> hold(lock_);
    const std::size_t need = text_bytes(length);
    std::size_t room = 0;
    if (need > left_) {
        room += block_for(need);
        if (blocks_.size() == blocks_.capacity())
            room += std::max<std::size_t>(2 * blocks_.capacity(), 1) * sizeof(std::unique_ptr<char[]>);
    }
    if (slots_.empty()) room += kFirstTable * sizeof(const char*);
    if ((count_ + 1) * 2 > table_size()) room += 2 * table_size() * sizeof(const char*);
    return room;
}

void text_pool::clear()
{
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    std::vector<const char*>().swap(slots_);
    next_ = nullptr;
    left_ = 0;
    count_ = 0;
    block_bytes_ = 0;
}

std::size_t text_pool::count()
{
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
}

std::size_t text_pool::probes_to_find_each()
{
    std::lock_guard<std::mutex> hold(lock_);
    return ::probes_to_find_each(slots_, [](const char* text) { return pooled_digest(text).low; });
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
        const char* pooled = run_texts().pool(text);
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
