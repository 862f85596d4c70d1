#include "core/keyed_hash.h"

#include <sodium.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// One key for each form, so that the two never hash under one key.
struct process_keys {
    unsigned char short_key[crypto_shorthash_siphash24_KEYBYTES];
    unsigned char long_key[crypto_shorthash_siphashx24_KEYBYTES];
    process_keys()
    {
        // Without a random source there is no key a sender cannot know,
        // and libsodium would end the process in randombytes_buf anyway.
        if (sodium_init() < 0) {
            std::fputs("No random source for the hash key: the system gives none.\n", stderr);
            std::abort();
        }
        randombytes_buf(short_key, sizeof short_key);
        randombytes_buf(long_key, sizeof long_key);
    }
};

// Made on first use: a table filled while statics are constructed finds its
// key there.
const process_keys& keys()
{
    static const process_keys made;
    return made;
}

}  // namespace

std::uint64_t keyed_hash_of(const void* bytes, std::size_t size)
{
    unsigned char out[crypto_shorthash_siphash24_BYTES];
    crypto_shorthash_siphash24(out, static_cast<const unsigned char*>(bytes), size, keys().short_key);
    std::uint64_t hash;
    std::memcpy(&hash, out, sizeof hash);
    return hash;
}

keyed_digest keyed_digest_of(const void* bytes, std::size_t size)
{
    unsigned char out[crypto_shorthash_siphashx24_BYTES];
    crypto_shorthash_siphashx24(out, static_cast<const unsigned char*>(bytes), size, keys().long_key);
    keyed_digest digest;
    std::memcpy(&digest.low, out, sizeof digest.low);
    std::memcpy(&digest.high, out + sizeof digest.low, sizeof digest.high);
    return digest;
}
