// The key of the tables' hash is the process's own: a sender who could
// compute it would build keys of one hash as easily as for the library's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "core/keyed_hash.h"
#include "test_support.h"

// Run again by itself in processes of their own, where it prints a text's
// hash and digest.
TEST(KeyedHash, EachProcessHashesUnderKeysOfItsOwn)
{
    const std::string text = "Nimbrel/Resources/a.txt";
    const std::string here = std::to_string(keyed_hasher{}(text)) + " " +
                             std::to_string(keyed_digest_of(text.data(), text.size()).low);
    if (std::getenv("NIMBREL_PRINT_HASHES")) {
        std::printf("hashes: %s\n", here.c_str());
        return;
    }
    char self[PATH_MAX] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::set<std::string> hashes = {here.substr(0, here.find(' '))}, digests = {here.substr(here.find(' '))};
    for (int run = 0; run < 2; ++run) {
        const std::string out = testing_support::run_shell(std::string("NIMBREL_PRINT_HASHES=1 '") + self +
                                                           "' --gtest_filter=KeyedHash.*").out;
        const std::size_t at = out.find("hashes: "), space = out.find(' ', at + 8);
        ASSERT_NE(at, std::string::npos) << out;
        hashes.insert(out.substr(at + 8, space - at - 8));
        digests.insert(out.substr(space, out.find('\n', at) - space));
    }
    EXPECT_EQ(hashes.size(), 3u) << "two processes hashed a text alike";
    EXPECT_EQ(digests.size(), 3u) << "two processes gave a text one digest";
}
