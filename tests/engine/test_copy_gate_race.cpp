// A folder of the copy swapped for a link to somewhere else while files are
// unpacked into it: whatever moment the swap hits, no file lands outside.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "archive_builders.h"
#include "core/core_globals.h"
#include "engine/copy_gate.h"
#include "dvd_fixtures.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/manifest.h"
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

class CopyGateRace : public engine_testing::pump_test {};

TEST_F(CopyGateRace, AFolderSwappedForALinkMeanwhileNeverLeadsAFileOutside)
{
    engine_testing::dvd_set disks({{"top/sub/x.txt", "x", 0}});
    disks.load_manifest();
    install_name = disks.release();
    dvd_path = disks.disk_folder(0);
    testing_support::scratch_dir outside;
    ::mkdir((dest_ / "sub").c_str(), 0755);
    ASSERT_EQ(::symlink(outside.path().c_str(), (dest_ / "swap").c_str()), 0);

    // The other process: "sub" and the link trade places as fast as it can.
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        const std::string sub = dest_ / "sub", swap = dest_ / "swap";
        while (!stop.load()) ::renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
    });
    int installed = 0;
    for (int run = 0; run < 300 && entries_in(outside.path()) == 0; ++run) {
        dvd_unpack_task task(0, temp_path);
        task.do_it();
        task.do_it();
        std::string message;
        installed += task.check_error(message) == 0;
    }
    stop = true;
    swapper.join();
    EXPECT_EQ(entries_in(outside.path()), 0) << "a file was unpacked outside the copy";
    EXPECT_GT(installed, 0) << "the swap never let a run through: the test proved nothing";
}

// The new copy's folder trades places with something else from the moment
// it is made: a link to an empty folder, or a folder holding the user's
// file.  The gate never takes that for its own, to unpack into or to empty
// on a cancel.
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
        // The other thing back at "swap", and nothing at the new folder's name.
        auto reset = [&] {
            const bool moved = !link && testing_support::file_exists(made + "/precious.txt");
            testing_support::remove_tree(moved ? swap : made);
            if (moved) ::rename(made.c_str(), swap.c_str());
            if (link) testing_support::remove_tree(swap);
            if (link) ::symlink(outside.path().c_str(), swap.c_str());
        };
        auto untouched = [&] {
            return link ? entries_in(outside.path()) == 0
                        : entries_in(swap) == 1 && testing_support::read_file(swap + "/precious.txt") == "the user's";
        };
        if (!link) testing_support::remove_tree(swap);
        if (!link) testing_support::write_file(swap + "/precious.txt", "the user's");
        int refused = 0;
        reset();
        for (int run = 0; run < 100 && untouched(); ++run) {
            dest_dir_path = made + "/";
            std::atomic<bool> stop{false};
            std::thread swapper([&] {
                while (!stop.load()) ::renameat2(AT_FDCWD, made.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
            });
            int err = copy_gate_make();
            if (!err) err = copy_install(temp_path + "a.zip", v, nullptr);
            refused += err != 0;
            copy_remove_all();
            stop = true;
            swapper.join();
            reset();
        }
        EXPECT_TRUE(untouched()) << "the gate unpacked into it, or a cancel emptied it";
        EXPECT_GT(refused, 0) << "the swap never hit: the test proved nothing";
    }
}

}  // namespace
