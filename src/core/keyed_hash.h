// Hashes for tables whose keys come from outside: a manifest's paths, an
// archive's names, a folder's listing, the characters of a text a server
// sent.  The library's own hash of a string has a fixed seed and blocks
// that invert, so whoever names the keys can give them all one hash and
// make every insertion walk every key before it.  These hash with
// SipHash-2-4 (libsodium's), under a key drawn once per process from the
// system's random source, which no sender can know:
//
//   std::unordered_map<std::string, int, keyed_hasher> by_name;
//   keyed_digest id = keyed_digest_of(path.data(), path.size());
//
// Equal keys hash alike for the life of the process, never across runs:
// nothing hashed here may be stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// 64 bits of SipHash-2-4 of `size` bytes.
std::uint64_t keyed_hash_of(const void* bytes, std::size_t size);

// SipHash-2-4's 128-bit form of `size` bytes: an identity for a text,
// which two texts share only by a chance of one in 2^128, whoever chose
// them.  Either word is itself a keyed hash for a table of such keys.
struct keyed_digest {
    std::uint64_t low = 0, high = 0;
    bool operator==(const keyed_digest& o) const { return low == o.low && high == o.high; }
    bool operator!=(const keyed_digest& o) const { return !(*this == o); }
};
keyed_digest keyed_digest_of(const void* bytes, std::size_t size);

struct keyed_hasher {
    std::size_t operator()(std::string_view text) const noexcept { return keyed_hash_of(text.data(), text.size()); }
    std::size_t operator()(const std::string& text) const noexcept
    {
        return keyed_hash_of(text.data(), text.size());
    }
    std::size_t operator()(unsigned int code) const noexcept { return keyed_hash_of(&code, sizeof code); }
};

// How many keys finding every key of a chained table once compares: the
// measure of its cost, for tests and benchmarks.  About 1.5 a key where
// keys spread; half the keys a key where they share a bucket.
template <class Table>
std::size_t comparisons_to_find_each(const Table& table)
{
    std::size_t comparisons = 0;
    for (std::size_t b = 0; b < table.bucket_count(); ++b) {
        const std::size_t n = table.bucket_size(b);
        comparisons += n * (n + 1) / 2;
    }
    return comparisons;
}

// The same for a table of `slots` (a power of two of them) probed linearly
// from each key's hash: `hash_of(slot)` gives the hash of the key a taken
// slot holds.
template <class Slots, class HashOf>
std::size_t probes_to_find_each(const Slots& slots, HashOf hash_of)
{
    const std::size_t mask = slots.size() - 1;
    std::size_t probes = 0;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (slots[i]) probes += ((i - hash_of(slots[i])) & mask) + 1;
    return probes;
}
