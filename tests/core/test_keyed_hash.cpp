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

namespace {

const std::string kText = "Nimbrel/Resources/a.txt";

std::string hashes_here()
{
    const keyed_digest digest = keyed_digest_of(kText.data(), kText.size());
    return std::to_string(keyed_hasher{}(kText)) + " " + std::to_string(digest.low) + " " +
           std::to_string(digest.high);
}

}  // namespace

// Run again by the test below in processes of their own, it prints what it
// hashes there.
TEST(KeyedHash, EachProcessHashesUnderAKeyOfItsOwn)
{
    if (std::getenv("NIMBREL_PRINT_HASHES")) {
        std::printf("hashes: %s\n", hashes_here().c_str());
        return;
    }
    char self[PATH_MAX] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    // Each form on its own: a hash and a digest.
    std::set<std::string> hashes, digests;
    const auto note = [&](const std::string& both) {
        hashes.insert(both.substr(0, both.find(' ')));
        digests.insert(both.substr(both.find(' ') + 1));
    };
    note(hashes_here());
    for (int run = 0; run < 2; ++run) {
        const testing_support::run_result r = testing_support::run_shell(
            std::string("NIMBREL_PRINT_HASHES=1 '") + self + "' --gtest_filter=KeyedHash.EachProcessHashesUnderAKeyOfItsOwn");
        const std::size_t at = r.out.find("hashes: ");
        ASSERT_NE(at, std::string::npos) << r.out;
        note(r.out.substr(at + 8, r.out.find('\n', at) - at - 8));
    }
    EXPECT_EQ(hashes.size(), 3u) << "two processes hashed a text alike";
    EXPECT_EQ(digests.size(), 3u) << "two processes gave a text one digest";
}
