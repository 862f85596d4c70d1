#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "core/diag/error_codes.h"
#include "core/files/file_checksum.h"
#include "core/files/md5.h"
#include "test_support.h"

using testing_support::run_shell;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

std::string hex_of(const MD5_CTX& context)
{
    char text[33];
    for (int n = 0; n < 16; ++n)
        std::snprintf(text + 2 * n, 3, "%02x", context.digest[n]);
    return text;
}

std::string md5_of_text(const std::string& text)
{
    MD5_CTX context;
    MD5Init(&context);
    MD5UpdateWide(&context, reinterpret_cast<const unsigned char*>(text.data()),
                  static_cast<unsigned>(text.size()));
    MD5Final(&context);
    return hex_of(context);
}

// The reference: coreutils' md5sum on the same file.
std::string md5sum_of(const std::string& path)
{
    auto run = run_shell("md5sum '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.out;
    return run.out.substr(0, 32);
}

std::string random_bytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    return bytes;
}

}  // namespace

TEST(Md5, MatchesTheVectorsOfTheRfc)
{
    EXPECT_EQ(md5_of_text(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5_of_text("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5_of_text("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5_of_text("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5_of_text("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5_of_text("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5_of_text("1234567890123456789012345678901234567890"
                          "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PiecesOfAnyLengthGiveTheDigestOfTheWhole)
{
    std::string data = random_bytes(200000, 7);
    std::string whole = md5_of_text(data);
    // Lengths on both sides of the 64-byte block and the 16-bit update limit.
    for (size_t piece : {1u, 55u, 56u, 63u, 64u, 65u, 1000u, 65535u}) {
        MD5_CTX context;
        MD5Init(&context);
        for (size_t at = 0; at < data.size(); at += piece) {
            size_t n = std::min(piece, data.size() - at);
            MD5Update(&context, reinterpret_cast<const unsigned char*>(data.data()) + at,
                      static_cast<unsigned short>(n));
            MD5UpdateWide(&context, nullptr, 0);  // nothing, and changes nothing
        }
        MD5Final(&context);
        EXPECT_EQ(hex_of(context), whole) << "pieces of " << piece << " bytes";
    }
}

TEST(CalcFileMd5, AgreesWithMd5sumAroundEveryBufferBoundary)
{
    scratch_dir dir;
    unsigned seed = 1;
    for (size_t size : {0u, 1u, 64u, 65535u, 65536u, 65537u, 200000u, 262144u, 262145u}) {
        std::string path = dir / ("f" + std::to_string(size));
        write_file(path, random_bytes(size, seed++));
        std::string sum;
        ASSERT_EQ(calc_file_md5(path, sum), 0) << path;
        EXPECT_EQ(sum, md5sum_of(path)) << "size " << size;
        EXPECT_EQ(sum.find_first_not_of("0123456789abcdef"), std::string::npos) << sum;
        EXPECT_EQ(sum.size(), 32u);
    }
}

TEST(CalcFileMd5, UnreadablePathsGive20006AndLeaveTheSumAlone)
{
    scratch_dir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    ::mkdir((dir / "folder").c_str(), 0755);
    for (std::string path : {dir / "missing", dir / "pipe", dir / "folder"}) {
        std::string sum = "untouched";
        EXPECT_EQ(calc_file_md5(path, sum), kErrFileOpenRead) << path;
        EXPECT_EQ(sum, "untouched") << path;
    }
}

// The length of the whole file goes into the digest: a 32-bit count would
// wrap here and give the digest of 100 bytes.  The expected sum is md5sum's
// for this file, written down because md5sum itself takes ten seconds on it.
TEST(CalcFileMd5, HashesASparseFileOfMoreThanFourGibibytes)
{
    // Minutes of instrumented hashing on a busy machine, through the very
    // code the smaller files above take under the sanitizers: the count past
    // 32 bits is what this checks, and the ordinary build does.
    if (testing_support::under_sanitizer()) GTEST_SKIP() << "4 GiB through a sanitizer say nothing new";
    scratch_dir dir;
    std::string path = dir / "big";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (4LL << 30) + 100), 0);
    ASSERT_EQ(::pwrite(fd, "tail", 4, (4LL << 30) + 50), 4);
    ::close(fd);

    std::string sum;
    ASSERT_EQ(calc_file_md5(path, sum), 0);
    EXPECT_EQ(sum, "914916eb000247597d9f1c3fa2bf7bb0");
}
