// Stepping through UTF-8 text: what each kind of lead byte decodes to, and
// that broken sequences at the very end of a buffer stay inside it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "gfx/fonts/utf8_text.h"

namespace {

// The bytes in a heap block of exactly their size, so a read past the end
// is an AddressSanitizer error rather than a lucky NUL.
struct exact_bytes {
    explicit exact_bytes(const std::string& s) : data(new unsigned char[s.size() + (s.empty() ? 1 : 0)]), size(s.size())
    {
        std::memcpy(data.get(), s.data(), s.size());
    }
    const unsigned char* begin() const { return data.get(); }
    const unsigned char* end() const { return data.get() + size; }
    std::unique_ptr<unsigned char[]> data;
    size_t size;
};

std::vector<unsigned int> code_points(const std::string& s)
{
    exact_bytes b(s);
    std::vector<unsigned int> out;
    for (const unsigned char* p = b.begin(); p < b.end(); p = utf8_next(p, b.end()))
        out.push_back(utf8_decode(p, b.end()));
    return out;
}

std::vector<unsigned int> code_points_backwards(const std::string& s)
{
    exact_bytes b(s);
    std::vector<unsigned int> out;
    for (const unsigned char* p = b.end(); p > b.begin();) {
        p = utf8_prev(b.begin(), p);
        out.insert(out.begin(), utf8_decode(p, b.end()));
    }
    return out;
}

using cps = std::vector<unsigned int>;

}  // namespace

TEST(Utf8Text, DecodesLatinAccentedCyrillicAndFourByteCharacters)
{
    EXPECT_EQ(code_points("A\xC3\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (cps{'A', 0xE9, 0x416, 0x20AC, 0x1F600}));
    EXPECT_EQ(code_points_backwards("A\xC3\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (cps{'A', 0xE9, 0x416, 0x20AC, 0x1F600}));
}

TEST(Utf8Text, BytesThatStartNoSequenceDecodeAsZero)
{
    EXPECT_EQ(code_points("\x80" "a"), (cps{0, 'a'}));
    EXPECT_EQ(code_points("\xF8\xFF" "b"), (cps{0, 0, 'b'}));
}

TEST(Utf8Text, SequencesCutShortByTheEndStopThere)
{
    // Each is the first bytes of a longer character; the decoder keeps what
    // it has and the step lands exactly on the end.
    EXPECT_EQ(code_points("\xC3"), (cps{0x03}));
    EXPECT_EQ(code_points("\xE2\x82"), (cps{(0x02u << 6) | 0x02}));
    EXPECT_EQ(code_points("x\xF0\x9F\x98"), (cps{'x', (0x0u << 12) | (0x1Fu << 6) | 0x18}));
    EXPECT_EQ(code_points_backwards("x\xF0\x9F\x98"), code_points("x\xF0\x9F\x98"));
}

TEST(Utf8Text, StepsSkipEveryContinuationByteAndStopAtTheStart)
{
    // A lead byte followed by more continuation bytes than it needs: one
    // character all the same.
    EXPECT_EQ(code_points("\xC3\xA9\xA9\xA9z"), (cps{0xE9, 'z'}));
    // Nothing but continuation bytes: stepping back ends at the first byte.
    exact_bytes b("\x80\x80\x80");
    EXPECT_EQ(utf8_prev(b.begin(), b.end()), b.begin());
    EXPECT_EQ(utf8_next(b.begin(), b.end()), b.end());
}
