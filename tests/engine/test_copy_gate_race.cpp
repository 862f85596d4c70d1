// A folder swapped for something else at each moment the gate reaches
// while it works in a copy or makes a new one: whatever the moment, no file
// lands outside the copy, and nothing the gate did not make is filled or
// emptied.  The swap is made at the moment itself (moment_changes.h), so
// every run tries every window.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive_builders.h"
#include "core/core_globals.h"
#include "engine/copy_gate.h"
#include "dvd_fixtures.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/manifest.h"
#include "moment_changes.h"
#include "pump_fixture.h"

namespace {

int entries_in(const std::string& folder)
{
    int n = 0;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) n += e->d_name[0] != '.';
        ::closedir(dir);
    }
    return n;
}

void exchange(const std::string& a, const std::string& b)
{
    ASSERT_EQ(::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE), 0) << a << " and " << b;
}

class CopyGateRace : public engine_testing::pump_test {};

TEST_F(CopyGateRace, AFolderSwappedForALinkMeanwhileNeverLeadsAFileOutside)
{
    engine_testing::dvd_set disks({{"top/sub/x.txt", "x", 0}});
    disks.load_manifest();
    install_name = disks.release();
    dvd_path = disks.disk_folder(0);
    testing_support::scratch_dir outside;
    const std::string sub = dest_ / "sub", swap = dest_ / "swap";
    ::mkdir(sub.c_str(), 0755);
    ASSERT_EQ(::symlink(outside.path().c_str(), swap.c_str()), 0);

    int installed = 0;
    engine_testing::at_every_moment(
        [&] {
            ASSERT_EQ(copy_gate_open(), 0);  // each run meets the same moments
            dvd_unpack_task task(0, temp_path);
            task.do_it();
            task.do_it();
            std::string message;
            installed += task.check_error(message) == 0;
        },
        [&] { exchange(sub, swap); },
        [&](bool swapped) {
            EXPECT_EQ(entries_in(outside.path()), 0) << "a file was unpacked outside the copy";
            if (swapped) exchange(sub, swap);
            for (const std::string& gone : {sub + "/x.txt", outside / "x.txt"}) ::unlink(gone.c_str());
        });
    EXPECT_GT(installed, 1) << "no run got as far as the write: the test proved nothing";
}

// The new copy's folder trades places with something else at each moment
// from its making to a cancel's end: a link to an empty folder, or a folder
// holding the user's file.  The gate never takes that for its own, to
// unpack into or to empty on a cancel.
TEST_F(CopyGateRace, ANewCopysFolderSwappedForAnotherNeverLeadsTheGateIntoIt)
{
    testing_support::scratch_dir outside;
    const std::string made = dest_ / "Nimbrel", swap = dest_ / "swap";
    testing_support::write_file(temp_path + "a.zip", archive_fixtures::make_zip({{"a.txt", "a"}}));
    file_version_struct v;
    v.path = "Nimbrel/a.txt";
    v.sig_want = testing_support::md5_hex("a");
    v.installed_size = 1;
    for (const bool link : {true, false}) {
        SCOPED_TRACE(link ? "a link" : "a folder");
        auto put_the_other = [&] {
            if (link) ::symlink(outside.path().c_str(), swap.c_str());
            if (!link) testing_support::write_file(swap + "/precious.txt", "the user's");
        };
        put_the_other();
        int err = 0, cancelled = 0;
        engine_testing::at_every_moment(
            [&] {
                dest_dir_path = made + "/";
                err = copy_gate_make();
                if (!err) err = copy_install(temp_path + "a.zip", v, nullptr);
                cancelled = copy_remove_all();
            },
            [&] { exchange(made, swap); },
            [&](bool swapped) {
                if (!swapped) {
                    EXPECT_TRUE(err == 0 && cancelled == 0 && !testing_support::file_exists(made))
                        << "left alone, a run makes, fills and removes its folder";
                }
                const std::string other = swapped ? made : swap;
                const bool untouched = link ? entries_in(outside.path()) == 0
                                            : entries_in(other) == 1 &&
                                                  testing_support::read_file(other + "/precious.txt") == "the user's";
                EXPECT_TRUE(untouched) << "the gate unpacked into it, or a cancel emptied it";
                for (const std::string& gone : {made, swap, outside.path()}) testing_support::remove_tree(gone);
                ::mkdir(outside.path().c_str(), 0700);
                put_the_other();
            });
        testing_support::remove_tree(swap);
    }
}

}  // namespace
