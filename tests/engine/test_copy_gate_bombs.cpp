// A gigabyte of zeros in a small zip or 7z: unpacked with a few MiB of
// memory whatever the entry's size, and refused as soon as it passes the
// size its manifest line gives.  Each case runs in a child process whose
// address space is limited (not under a sanitizer, which reserves terabytes
// of shadow) and whose resident peak is measured.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <functional>
#include <string>

#include "core/diag/error_codes.h"
#include "archive_builders.h"
#include "core/archives/archives.h"
#include "engine/copy_gate.h"
#include "engine/manifest.h"
#include "pump_fixture.h"
#include "release_tool.h"

namespace {

using archive_fixtures::kZerosMd5;
using archive_fixtures::kZerosSize;

constexpr long kAddressHeadroomKb = 300 * 1024;  // far less than a bomb unpacked whole
constexpr long kResidentGrowthKb = 16 * 1024;    // "a few MiB", with room for a sanitizer

using testing_support::bounded_result;

bounded_result run_bounded(const std::function<int()>& work)
{
    return testing_support::run_bounded(work, kAddressHeadroomKb);
}

long long size_of(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

class CopyGateBombs : public engine_testing::pump_test {
protected:
    file_version_struct zeros(float installed_kb)
    {
        file_version_struct version;
        version.path = "top/zeros.bin";
        version.sig_want = kZerosMd5;
        version.installed_size = installed_kb;
        return version;
    }
};

TEST_F(CopyGateBombs, AGigabyteZipThatTheManifestAnnouncesInstallsInAFewMegabytes)
{
    const std::string archive = archive_fixtures::zeros_zip();
    const file_version_struct version = zeros(kZerosSize / 1024);
    bounded_result r = run_bounded([&] { return copy_install(archive, version, nullptr); });
    EXPECT_EQ(r.result, 0);
    EXPECT_LT(r.resident_growth_kb, kResidentGrowthKb);
    EXPECT_EQ(size_of(dest_ / "zeros.bin"), static_cast<long long>(kZerosSize));
}

TEST_F(CopyGateBombs, AGigabyteInAFileTheManifestSaysIsSmallIsRefusedAtItsSize)
{
    for (const std::string& archive : {archive_fixtures::zeros_zip(), archive_fixtures::zeros_7z()}) {
        SCOPED_TRACE(archive);
        const file_version_struct version = zeros(4);
        bounded_result r = run_bounded([&] { return copy_install(archive, version, nullptr); });
        EXPECT_EQ(r.result, kErrLargerThanExpected);
        EXPECT_LT(r.resident_growth_kb, kResidentGrowthKb);
        EXPECT_EQ(size_of(dest_ / "zeros.bin"), -1);
        EXPECT_EQ(testing_support::run_shell("ls -A '" + dest_.path() + "'").out, "") << "a partial file was left";
    }
}

// Outside an install (the manifest, the about box) nothing tells the size:
// the gigabyte is unpacked, in a few megabytes all the same.
TEST_F(CopyGateBombs, AGigabyte7zUnpacksOutsideTheCopyInAFewMegabytes)
{
    const std::string archive = archive_fixtures::zeros_7z();
    bounded_result r = run_bounded([&] { return p7z_to_file(archive, temp_.path(), nullptr, 0); });
    EXPECT_EQ(r.result, 0);
    EXPECT_LT(r.resident_growth_kb, kResidentGrowthKb);
    EXPECT_EQ(size_of(temp_ / "zeros.bin"), static_cast<long long>(kZerosSize));
}

// Past 2 GiB a zip entry needs 32-bit sizes read unsigned, which the zip
// command writes and the release tool must too: zip64 fields would be
// misread.  The source is sparse; the installed file takes real disk.
TEST_F(CopyGateBombs, AFileJustOver2GiBGoesFromTheReleaseToolIntoTheCopy)
{
    constexpr long long size = testing_support::kJustOver2GiB;
    struct statvfs disk;
    const long long room = ::statvfs(dest_.path().c_str(), &disk) == 0
                               ? static_cast<long long>(disk.f_bavail) * static_cast<long long>(disk.f_frsize)
                               : -1;
    if (room >= 0 && room < size + (256ll << 20))
        GTEST_SKIP() << "the installed file needs 2.3 GiB free in " << dest_.path() << ", which has " << (room >> 20)
                     << " MiB";
    const std::string archive = testing_support::release_archive_of_zeros(size);
    ASSERT_NE(archive, "");

    file_version_struct version;
    version.path = "top/big.bin";
    version.sig_want = "91e157c7e944d12879069edad019ad5e";  // of its zeros: the gate checks it
    version.installed_size = size / 1024 + 1;
    bounded_result r = run_bounded([&] { return copy_install(archive, version, nullptr); });
    EXPECT_EQ(r.result, 0);
    EXPECT_LT(r.resident_growth_kb, kResidentGrowthKb);
    EXPECT_EQ(size_of(dest_ / "big.bin"), size);

    testing_support::scratch_dir work;
    ASSERT_TRUE(testing_support::make_sparse(work / "source/big.bin", 4ll << 30));
    const std::string refused = testing_support::make_release(work / "source", work / "web", "Too big");
    EXPECT_NE(refused.find("too large for a zip entry"), std::string::npos) << refused;
}

}  // namespace
