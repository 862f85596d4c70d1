#include "hostile_texts.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "core/files/md5.h"

namespace testing_support {

namespace {

// libstdc++'s constants for a 64-bit size_t (hash_bytes.cc).
constexpr std::uint64_t kMul = 0xc6a4a7935bd1e995ULL;
constexpr std::uint64_t kSeed = 0xc70f6907ULL;

std::uint64_t shift_mix(std::uint64_t v) { return v ^ (v >> 47); }

// The odd multiplier's inverse modulo 2^64, by Newton's steps.
constexpr std::uint64_t inverse(std::uint64_t a)
{
    std::uint64_t x = a;
    for (int i = 0; i < 6; ++i) x *= 2 - a * x;
    return x;
}
constexpr std::uint64_t kMulInverse = inverse(kMul);
static_assert(kMul * kMulInverse == 1);

// One block's step; shift_mix undoes itself, as its shift is past half.
std::uint64_t step(std::uint64_t state, std::uint64_t block)
{
    return (state ^ (shift_mix(block * kMul) * kMul)) * kMul;
}

// The block that takes `state` to `target`.
std::uint64_t block_between(std::uint64_t state, std::uint64_t target)
{
    const std::uint64_t mixed = (target * kMulInverse) ^ state;
    return shift_mix(mixed * kMulInverse) * kMulInverse;
}

bool allowed(unsigned char c) { return c != 0 && c != '\n' && c != '\r' && c != '/' && !(c >= 'A' && c <= 'Z'); }

// Eight letters and digits for `n`, five bits each.
void name_block(std::uint64_t n, char* out)
{
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz012345";
    for (int i = 0; i < 8; ++i, n >>= 5) out[i] = digits[n & 31];
}

std::string aligned(std::string prefix)
{
    prefix.append((8 - prefix.size() % 8) % 8, 'x');
    return prefix;
}

}  // namespace

std::vector<std::string> texts_of_one_library_hash(std::size_t count, const std::string& prefix,
                                                   const std::string& suffix)
{
    const std::string head = aligned(prefix);
    const std::size_t length = head.size() + 16 + suffix.size();
    std::uint64_t state = kSeed ^ (length * kMul);
    for (std::size_t at = 0; at < head.size(); at += 8) {
        std::uint64_t block;
        std::memcpy(&block, head.data() + at, 8);
        state = step(state, block);
    }
    // Any state after the solved block will do: the same one for all.
    const std::uint64_t target = 0x6e696d6272656c21ULL;
    std::vector<std::string> texts;
    texts.reserve(count);
    std::string text = head + std::string(16, ' ') + suffix;
    for (std::uint64_t n = 0; texts.size() < count; ++n) {
        char* free_block = &text[head.size()];
        name_block(n, free_block);
        std::uint64_t chosen;
        std::memcpy(&chosen, free_block, 8);
        const std::uint64_t solved = block_between(step(state, chosen), target);
        unsigned char bytes[8];
        std::memcpy(bytes, &solved, 8);
        bool fits = true;
        for (unsigned char c : bytes) fits = fits && allowed(c);
        if (!fits) continue;
        std::memcpy(free_block + 8, bytes, 8);
        texts.push_back(text);
    }
    const std::size_t hash = std::hash<std::string>{}(texts.empty() ? text : texts[0]);
    for (const std::string& t : texts)
        if (std::hash<std::string>{}(t) != hash)
            throw std::logic_error("the library's string hash is not the one these texts are built for");
    return texts;
}

std::vector<std::string> ordinary_texts(std::size_t count, const std::string& prefix, const std::string& suffix)
{
    const std::string head = aligned(prefix);
    std::vector<std::string> texts;
    texts.reserve(count);
    char number[32];
    for (std::size_t n = 0; n < count; ++n) {
        std::snprintf(number, sizeof number, "%016zu", n);
        texts.push_back(head + number + suffix);
    }
    return texts;
}

std::uint64_t md5_first_word(std::string_view text)
{
    MD5_CTX md5;
    MD5Init(&md5);
    MD5UpdateWide(&md5, reinterpret_cast<const unsigned char*>(text.data()), static_cast<unsigned>(text.size()));
    MD5Final(&md5);
    std::uint64_t first;
    std::memcpy(&first, md5.digest, sizeof first);
    return first;
}

}  // namespace testing_support
