#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>
#include <tuple>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "test_support.h"

using archive_fixtures::make_zip;
using archive_fixtures::zip_entry;
using testing_support::read_file;
using testing_support::run_shell;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

struct stat stat_of(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::string link_target(const std::string& path)
{
    char buf[512];
    ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? std::string("(not a link)") : std::string(buf, static_cast<size_t>(n));
}

}  // namespace

// An archive comment is legal up to 65,535 bytes, and the end record lies
// before it: past 65,513 bytes minizip, which looks only in the last
// 65,535, finds no record by itself, and it takes a record's signature in
// the comment for one.  Each archive unpacks whole, small ones read whole,
// large ones at their offsets, zip64 ones by their locator before the
// record; a record whose comment does not end with the archive is none.
TEST(ZipRoundTrip, AnArchiveCommentOfAnyLegalLengthIsPassedOver)
{
    scratch_dir dir;
    write_file(dir / "a.txt", "behind the comment");
    ASSERT_EQ(run_shell("cd '" + dir.path() + "' && zip -q -fz z64.zip a.txt").status, 0);
    const std::string plain = make_zip({{"a.txt", "behind the comment"}});
    const std::string large = make_zip({{"big.bin", std::string(300 * 1024, 'b')}, {"a.txt", "behind the comment"}});
    const std::string zip64 = read_file(dir / "z64.zip");
    for (const auto& [what, archive, length] : {std::make_tuple("none", plain, 0),
                                                std::make_tuple("65,513 bytes, which minizip finds itself", plain, 65513),
                                                std::make_tuple("65,535 bytes", plain, 65535),
                                                std::make_tuple("65,535 bytes, read at offsets", large, 65535),
                                                std::make_tuple("65,535 bytes after zip64 records", zip64, 65535)}) {
        SCOPED_TRACE(what);
        scratch_dir out;
        std::string comment(length, 'c');
        // A record's signature in the comment, where no record is.
        if (length > 100) comment.replace(50, 4, "PK\5\6");
        write_file(dir / "x.zip", archive_fixtures::with_comment(archive, comment));
        EXPECT_EQ(zip_to_file(dir / "x.zip", out.path(), nullptr, 0), 0);
        EXPECT_EQ(read_file(out / "a.txt"), "behind the comment");
    }
    write_file(dir / "x.zip", archive_fixtures::with_comment(plain, std::string(65535, 'c')) + "trailing");
    EXPECT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 20001);
}

// A tree zipped by Info-ZIP comes back byte for byte, with its links,
// modes and (to the two seconds zip keeps) modification times.
TEST(ZipRoundTrip, RestoresFoldersFilesLinksModesAndTimes)
{
    scratch_dir dir;
    write_file(dir / "in/readme.txt", "hello\n");
    write_file(dir / "in/bin/run.sh", "#!/bin/sh\necho hi\n");
    write_file(dir / "in/data/empty.dat", "");
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 1000);
    write_file(dir / "in/data/big.bin", big);
    ::mkdir((dir / "in/empty_folder").c_str(), 0755);
    ::chmod((dir / "in/bin/run.sh").c_str(), 0755);
    ::chmod((dir / "in/readme.txt").c_str(), 0600);
    ASSERT_EQ(::symlink("../readme.txt", (dir / "in/data/readme_link").c_str()), 0);
    ASSERT_EQ(run_shell("touch -d '2019-05-06 07:08:10' '" + dir / "in/readme.txt" + "'").status, 0);
    auto zipped = run_shell("cd '" + dir / "in" + "' && zip -q -r -y ../x.zip .");
    ASSERT_EQ(zipped.status, 0) << zipped.out;

    ::mkdir((dir / "out").c_str(), 0755);
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0), 0);

    auto diff = run_shell("diff -r --no-dereference '" + dir / "in" + "' '" + dir / "out" + "'");
    EXPECT_EQ(diff.status, 0) << diff.out;
    EXPECT_EQ(read_file(dir / "out/data/big.bin"), big);
    EXPECT_EQ(link_target(dir / "out/data/readme_link"), "../readme.txt");
    EXPECT_EQ(stat_of(dir / "out/bin/run.sh").st_mode & 0777, 0755u);
    EXPECT_EQ(stat_of(dir / "out/readme.txt").st_mode & 0777, 0600u);
    EXPECT_EQ(stat_of(dir / "out/readme.txt").st_mtime, stat_of(dir / "in/readme.txt").st_mtime);
    EXPECT_TRUE(S_ISDIR(stat_of(dir / "out/empty_folder").st_mode));
}

TEST(ZipRoundTrip, SkipsMacMetadataAndKeepsTheRest)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"__MACOSX/", ""}, {"__MACOSX/._x", "meta"}, {"x", "data"}}));
    std::string first;
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir.path(), &first, 0), 0);
    EXPECT_EQ(read_file(dir / "x"), "data");
    EXPECT_FALSE(testing_support::file_exists(dir / "__MACOSX"));
    EXPECT_EQ(first, "__MACOSX/") << "the first entry's name, skipped or not";
}

TEST(ZipRoundTrip, ReplacesExistingFilesAndLinksAndAcceptsExistingFolders)
{
    scratch_dir dir;
    write_file(dir / "out/sub/old.txt", "old");
    write_file(dir / "out/was_file", "old");
    write_file(dir / "elsewhere", "must not change");
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "out/old.txt").c_str()), 0);
    write_file(dir / "x.zip",
               make_zip({{"sub/", "", archive_fixtures::unix_folder()},
                         {"sub/old.txt", "new"},
                         {"old.txt", "through no link"},
                         {"was_file", "sub/old.txt", archive_fixtures::unix_link()}}));

    ASSERT_EQ(zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0), 0);
    EXPECT_EQ(read_file(dir / "out/sub/old.txt"), "new");
    EXPECT_EQ(read_file(dir / "out/old.txt"), "through no link");
    EXPECT_EQ(read_file(dir / "elsewhere"), "must not change") << "the old link was written through";
    EXPECT_EQ(link_target(dir / "out/was_file"), "sub/old.txt");
}

TEST(ZipRoundTrip, AModeThatTakesTheOwnersRightsLeavesThemToTheOwner)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"locked.txt", "l", 0100044u << 16}}));
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 0);
    EXPECT_EQ(stat_of(dir / "locked.txt").st_mode & 0777, 0644u);
}

// Windows and DOS zips keep no Unix mode: the file must stay readable.
TEST(ZipRoundTrip, DosAttributesKeepTheNewFileModeAndAttributesZeroKeepTheTimeToo)
{
    scratch_dir dir;
    mode_t mask = ::umask(022);
    ::umask(mask);
    write_file(dir / "x.zip", make_zip({{"dos.txt", "d", 0x20}, {"bare.txt", "b", 0}}));
    std::time_t before = std::time(nullptr);
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 0);

    EXPECT_EQ(stat_of(dir / "dos.txt").st_mode & 0777, 0666u & ~mask);
    EXPECT_EQ(stat_of(dir / "bare.txt").st_mode & 0777, 0666u & ~mask);
    std::tm stamped{};
    std::time_t dos_time = stat_of(dir / "dos.txt").st_mtime;
    ::localtime_r(&dos_time, &stamped);
    EXPECT_EQ(stamped.tm_year + 1900, 2001) << "the entry's date is restored";
    EXPECT_GE(stat_of(dir / "bare.txt").st_mtime, before) << "no attributes: the time of writing";
}

// What other users may do with a file is the user's to say: the entry's
// mode passes through the umask, as a file the user makes does, and an
// executable stays one.
TEST(ZipRoundTrip, TheUmaskTakesFromEveryEntrysMode)
{
    const mode_t entry_umask_file[][3] = {{0777, 022, 0755}, {0666, 022, 0644}, {0775, 077, 0700}, {0600, 0, 0600}};
    for (const auto& c : entry_umask_file) {
        scratch_dir dir;
        write_file(dir / "x.zip", make_zip({{"f", "x", (0100000u | c[0]) << 16}}));
        const mode_t saved = ::umask(c[1]);
        EXPECT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 0);
        ::umask(saved);
        EXPECT_EQ(stat_of(dir / "f").st_mode & 0777, c[2]) << std::oct << c[0] << " under the umask " << c[1];
    }
}

TEST(ZipRoundTrip, UnpacksEmptyFiles)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"nothing.txt", ""}}));
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 0);
    EXPECT_TRUE(testing_support::file_exists(dir / "nothing.txt"));
    EXPECT_EQ(stat_of(dir / "nothing.txt").st_size, 0);
}

TEST(ZipRoundTrip, RenamesOnlyTheFirstEntryAndReportsItsStoredName)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"Installer 2", "app"}, {"second", "2"}}));
    std::string name = "renamed";
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir.path(), &name, 1), 0);
    EXPECT_EQ(read_file(dir / "renamed"), "app");
    EXPECT_EQ(read_file(dir / "second"), "2");
    EXPECT_FALSE(testing_support::file_exists(dir / "Installer 2"));
    EXPECT_EQ(name, "Installer 2");
}

// The about box unpacks into the program's folder with an empty folder name.
TEST(ZipRoundTrip, AnEmptyFolderNameMeansTheWorkingFolder)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"here.txt", "h"}}));
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    int err = zip_to_file("x.zip", "", nullptr, 0);
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(read_file(dir / "here.txt"), "h");
}

// An entry whose folder exists in another letter case lands in that folder.
TEST(ZipRoundTrip, EntriesFindExistingFoldersWhateverTheirLetterCase)
{
    scratch_dir dir;
    ::mkdir((dir / "Resources").c_str(), 0755);
    write_file(dir / "x.zip", make_zip({{"resources/new.txt", "n"}}));
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 0);
    EXPECT_EQ(read_file(dir / "Resources/new.txt"), "n");
}
