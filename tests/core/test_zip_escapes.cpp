// Hostile zips: whatever an archive holds, nothing lands outside the folder
// it is unpacked into.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "test_support.h"

using archive_fixtures::captured_log;
using archive_fixtures::make_zip;
using archive_fixtures::unix_link;
using archive_fixtures::zip_entry;
using testing_support::run_shell;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

// Every path under `root` except those under `inside`.
std::string paths_outside(const std::string& root, const std::string& inside)
{
    auto run = run_shell("cd '" + root + "' && find . -mindepth 1 | grep -v '^./" + inside +
                         "' | grep -v '^./x.zip$' | sort");
    return run.out;
}

struct escape_case {
    const char* what;
    std::vector<zip_entry> entries;
};

}  // namespace

TEST(ZipEscapes, RefusesEveryEntryThatWouldLandOutsideTheFolder)
{
    std::vector<escape_case> cases = {
        {"a name that climbs", {{"../escaped", "x"}}},
        {"a name that climbs from a folder", {{"sub/../../escaped", "x"}}},
        {"a folder that climbs", {{"../escaped/", "", archive_fixtures::unix_folder()}}},
        {"an absolute name", {{"/tmp/nimbrel-escaped-by-test", "x"}}},
        {"a link to an absolute target", {{"l", "/etc", unix_link()}}},
        {"a link that climbs", {{"sub/l", "../../escaped", unix_link()}}},
        {"a file written through a link made here",
         {{"l", ".", unix_link()}, {"l/../escaped", "x"}}},
        {"a file beneath a link made here", {{"d", "sub", unix_link()}, {"d/x", "x"}}},
        {"a file beneath a link made here in another letter case",
         {{"Data", "sub", unix_link()}, {"data/x", "x"}}},
        {"a link that steps back out of a link made here",
         {{"d", ".", unix_link()}, {"e", "d/..", unix_link()}}},
        {"a name with a zero byte", {{std::string("ok\0/../../escaped", 17), "x"}}},
        {"a link whose target turns into \"..\" at a zero byte",
         {{"up", std::string("..\0x", 4), unix_link()}}},
    };
    for (const escape_case& c : cases) {
        scratch_dir dir;
        ::mkdir((dir / "out").c_str(), 0755);
        ::mkdir((dir / "out/sub").c_str(), 0755);
        write_file(dir / "x.zip", make_zip(c.entries));
        captured_log log;

        int err = zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0);
        EXPECT_EQ(err, 20001) << c.what;
        EXPECT_EQ(paths_outside(dir.path(), "out"), "") << c.what << ": entry escaped";
        EXPECT_NE(log.text().find("Refused archive entry"), std::string::npos) << c.what;
        EXPECT_NE(log.text().find("Zip to file failed with error err = 20001"), std::string::npos)
            << c.what;
    }
    EXPECT_NE(::access("/tmp/nimbrel-escaped-by-test", F_OK), 0);
}

// Links that stay inside are the archive's business, also ones that climb
// back into the folder and chains of links made here.
TEST(ZipEscapes, AcceptsLinksThatStayInside)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"a/", "", archive_fixtures::unix_folder()},
                                        {"a/b/", "", archive_fixtures::unix_folder()},
                                        {"a/b/up", "../../top.txt", unix_link()},
                                        {"top.txt", "t"},
                                        {"chain", "a/b/up", unix_link()},
                                        {"a/b/c.txt", "c"}}));
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 0);
    EXPECT_EQ(testing_support::read_file(dir / "chain"), "t");
}

// A link that was already on the disk is followed while it stays inside,
// also when its target is absolute; one that leads out is refused by the
// kernel at the moment of the write.
TEST(ZipEscapes, LinksThatWereThereBeforeAreFollowedOnlyInside)
{
    scratch_dir dir;
    ::mkdir((dir / "elsewhere").c_str(), 0755);
    ::mkdir((dir / "out").c_str(), 0755);
    ::mkdir((dir / "out/Real").c_str(), 0755);
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "out/Custom").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "out/Real").c_str(), (dir / "out/Alias").c_str()), 0);
    ASSERT_EQ(::symlink("Real", (dir / "out/Near").c_str()), 0);

    write_file(dir / "x.zip", make_zip({{"Alias/a.txt", "a"}, {"Near/b.txt", "b"}}));
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0), 0);
    EXPECT_EQ(testing_support::read_file(dir / "out/Real/a.txt"), "a");
    EXPECT_EQ(testing_support::read_file(dir / "out/Real/b.txt"), "b");

    write_file(dir / "x.zip", make_zip({{"Custom/tile.dat", "t"}}));
    captured_log log;
    EXPECT_EQ(zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0), 20001);
    EXPECT_FALSE(testing_support::file_exists(dir / "elsewhere/tile.dat")) << "entry escaped";
    EXPECT_NE(log.text().find("leads out of the folder"), std::string::npos) << log.text();
}
