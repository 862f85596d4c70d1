// The two worker tasks on their own, run on the test's thread.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "engine/checksum_pump.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"
#include "dvd_fixtures.h"
#include "engine_test_support.h"
#include "pump_fixture.h"

namespace {

using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

class InstallerTasks : public engine_testing::pump_test {
protected:
    // A history of one version, "top/" + relative, wanting `sig`.
    file_version_struct& add(const std::string& relative, const std::string& sig,
                             int platform = 0)
    {
        file_version_struct v;
        v.path = "top/" + relative;
        v.sig_want = sig;
        v.sig_have = "untouched";
        v.platform = platform;
        sim_info.push_back({v});
        return sim_info.back().back();
    }
    void run_checksums(int exists_only)
    {
        checksum_task task(0, static_cast<int>(sim_info.size()), exists_only);
        task.do_it();
        std::string message = "stale";
        EXPECT_EQ(task.check_error(message), 0);
        EXPECT_EQ(message, "");
    }
};

TEST_F(InstallerTasks, ChecksumsTellMatchingChangedAndMissingFilesApart)
{
    write_file(dest_ / "Resources/same.txt", "same");
    write_file(dest_ / "Resources/changed.txt", "changed by the user");
    add("Resources/same.txt", md5_hex("same"));
    add("Resources/changed.txt", md5_hex("as shipped"));
    add("Resources/missing.txt", md5_hex("never installed"));

    run_checksums(0);

    EXPECT_EQ(sim_info[0].back().sig_have, md5_hex("same"));
    EXPECT_EQ(sim_info[0].back().is_current, 1);
    EXPECT_EQ(sim_info[1].back().sig_have, md5_hex("changed by the user"));
    EXPECT_EQ(sim_info[1].back().is_current, 0);
    EXPECT_EQ(sim_info[2].back().sig_have, "NONE");
    EXPECT_EQ(sim_info[2].back().is_current, 0);
}

TEST_F(InstallerTasks, ExistenceOnlyTrustsAnyFileThatIsThereAndNeverReadsIt)
{
    write_file(dest_ / "a.txt", "not what the manifest wants");
    write_file(dest_ / "locked.txt", "x");
    ::chmod((dest_ / "locked.txt").c_str(), 0);
    add("a.txt", md5_hex("wanted"));
    add("locked.txt", md5_hex("y"));
    add("gone.txt", md5_hex("z"));

    run_checksums(1);

    EXPECT_EQ(sim_info[0].back().sig_have, md5_hex("wanted"));
    EXPECT_EQ(sim_info[0].back().is_current, 1);
    EXPECT_EQ(sim_info[1].back().is_current, 1) << "an unreadable file still exists";
    EXPECT_EQ(sim_info[2].back().sig_have, "NONE");
    EXPECT_EQ(sim_info[2].back().is_current, 0);
}

TEST_F(InstallerTasks, ExistenceOnlyReadsAFileTheReleaseDropped)
{
    // Taking it for the version wanted would make it current: never deleted.
    write_file(dest_ / "dropped.txt", "still here");
    add("dropped.txt", "GONE");
    add("absent.txt", "GONE");
    run_checksums(kChecksumExists);
    EXPECT_EQ(sim_info[0].back().sig_have, md5_hex("still here"));
    EXPECT_EQ(sim_info[0].back().is_current, 0);
    EXPECT_EQ(sim_info[1].back().sig_have, "NONE");
}

TEST_F(InstallerTasks, TheRemovalsRunReadsOnlyWhatThePlanWouldDelete)
{
    const std::string tile = "Global Scenery/+40-080/+45-075.dsf";
    const std::string kept = "Global Scenery/+50+000/+51+000.dsf";
    for (const std::string& name : {tile, kept, std::string("gone.txt"), std::string("plain.txt")})
        write_file(dest_ / name, "changed");
    const auto add_tile = [&](const std::string& path, int lon, int lat) {
        file_version_struct& v = add(path, md5_hex("shipped"));
        v.is_global = 1;
        v.lon_band = lon;
        v.lat_band = lat;
        v.sig_have = v.sig_want;  // as the existence run left it
    };
    add_tile(tile, 10, 13);
    add_tile(kept, 18, 14);
    stg.want_sectors[18][14] = 1;
    add("gone.txt", "GONE").sig_have = "0123456789abcdef0123456789abcdef";
    add("plain.txt", md5_hex("shipped")).sig_have = md5_hex("shipped");
    add("never.txt", "GONE").sig_have = "NONE";

    run_checksums(kChecksumRemovals);

    EXPECT_EQ(sim_info[0].back().sig_have, md5_hex("changed")) << "a tile of a sector not wanted";
    EXPECT_EQ(sim_info[0].back().is_current, 0);
    EXPECT_EQ(sim_info[1].back().sig_have, md5_hex("shipped")) << "a wanted tile is not read";
    EXPECT_EQ(sim_info[2].back().sig_have, md5_hex("changed")) << "a dropped file";
    EXPECT_EQ(sim_info[3].back().sig_have, md5_hex("shipped")) << "a file that stays is not read";
    EXPECT_EQ(sim_info[4].back().sig_have, "NONE") << "nothing there to read";
}

TEST_F(InstallerTasks, AGoneFileIsNeverCurrentWhetherThereOrNot)
{
    write_file(dest_ / "old.txt", "old");
    add("old.txt", "GONE");
    add("absent.txt", "GONE");
    run_checksums(0);
    EXPECT_EQ(sim_info[0].back().is_current, 0);
    EXPECT_EQ(sim_info[1].back().is_current, 0);
    EXPECT_EQ(sim_info[1].back().sig_have, "NONE");
}

TEST_F(InstallerTasks, EntriesTheFilterDoesNotWantAreLeftAlone)
{
    write_file(dest_ / "win.exe", "w");
    add("win.exe", md5_hex("w"), 2);  // a Windows file on a Linux install
    add("Global Scenery/+40-080/+45-075.dsf", md5_hex("t"));
    sim_info[1].back().is_global = 1;
    set_install_filter(1, 0);
    sim_info[0].back().is_current = 7;

    run_checksums(0);

    for (const file_history_struct& h : sim_info) EXPECT_EQ(h.back().sig_have, "untouched");
    EXPECT_EQ(sim_info[0].back().is_current, 7);
}

// Only a name that holds nothing is absent.  What is there but cannot be
// read whole, which never hangs a checksum either, is no file to install
// over unasked.
TEST_F(InstallerTasks, WhatIsThereButCannotBeReadIsNeverTakenForAbsent)
{
    ASSERT_EQ(::mkfifo((dest_ / "pipe").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dest_ / "zero").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dest_ / "dangling").c_str()), 0);
    ASSERT_EQ(::mkdir((dest_ / "folder").c_str(), 0755), 0);
    write_file(dest_ / "secret", "s");
    write_file(dest_ / "shut/inside", "s");
    ::chmod((dest_ / "secret").c_str(), 0);
    ::chmod((dest_ / "shut").c_str(), 0);
    ::chmod(dest_.path().c_str(), 0755);  // the other user looks in
    const std::vector<std::pair<std::string, std::string>> files = {
        {"missing", "NONE"},         {"pipe", kSigUnreadable},   {"zero", kSigUnreadable},
        {"dangling", kSigUnreadable}, {"folder", kSigUnreadable}, {"secret", kSigUnreadable},
        {"shut/inside", kSigUnreadable},
    };
    for (const auto& f : files) add(f.first, md5_hex("s"));
    // As root the permission bits would not bite: the scan runs as another
    // user, and answers with a bit for each file it judged wrongly.
    const int wrong = testing_support::run_unprivileged([&files] {
        checksum_task(0, static_cast<int>(files.size()), kChecksumFull).do_it();
        int bits = 0;
        for (size_t i = 0; i < files.size(); ++i)
            if (sim_info[i].back().sig_have != files[i].second || sim_info[i].back().is_current) bits |= 1 << i;
        return bits;
    });
    ASSERT_NE(wrong, -1) << "cannot drop privileges here";
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_FALSE(wrong & (1 << i)) << files[i].first << " is not " << files[i].second;
}

// -- DVD files ---

class DvdUnpackTask : public InstallerTasks {
protected:
    void SetUp() override
    {
        InstallerTasks::SetUp();
        dvd_path = "/media/cdrom/";
        install_name = "Nimbrel 9";
    }
    // Both steps, as the two groups would run them.
    void run_both(dvd_unpack_task& task)
    {
        task.do_it();
        task.do_it();
    }
};

TEST_F(DvdUnpackTask, NamesItsSourceItsCopyAndItsDestination)
{
    add("Resources/a.txt", "0123456789abcdef0123456789abcdef");
    add("Custom Scenery/Global Scenery/+40-080/+45-075.dsf", md5_hex("tile"));
    dvd_unpack_task file(0, temp_path);
    dvd_unpack_task tile(1, temp_path);

    EXPECT_EQ(file.dvd_src, "/media/cdrom/Nimbrel 9/top/Resources/a.txt.zip");
    EXPECT_EQ(file.temp_copy, temp_path + "0123456789abcdef0123456789abcdef_0.zip");
    EXPECT_EQ(file.dest_file, dest_dir_path + "Resources/a.txt");
    EXPECT_EQ(tile.temp_copy, temp_path + md5_hex("tile") + "_1.7z");
    EXPECT_EQ(tile.dvd_src,
              "/media/cdrom/Nimbrel 9/top/Custom Scenery/Global Scenery/+40-080/+45-075.dsf.7z");
}

TEST_F(DvdUnpackTask, AFailedCopyIsReportedAndTheUnpackStepTouchesNothing)
{
    add("Resources/a.txt", md5_hex("a"));
    dvd_unpack_task task(0, temp_path);
    run_both(task);

    std::string message;
    EXPECT_EQ(task.check_error(message), ENOENT);
    EXPECT_EQ(message, "I was unable to copy the file /media/cdrom/Nimbrel 9/top/Resources/a.txt.zip"
                       " from the DVD to the hard drive.");
    EXPECT_EQ(sim_info[0].back().sig_have, "untouched");
    EXPECT_FALSE(testing_support::file_exists(dest_ / "Resources/a.txt"));
}

TEST_F(DvdUnpackTask, ZipAnd7zCopiesGoToTheirOwnExtractorsAndMakeTheFileCurrent)
{
    const std::string tile = "Global Scenery/+40-080/+45-075.dsf";
    engine_testing::dvd_set disks({{"top/Resources/a.txt", "zipped", 0}, {"top/" + tile, "7z", 0}});
    dvd_path = disks.disk_folder(0);
    install_name = disks.release();
    disks.load_manifest();
    ::mkdir((dest_ / "Resources").c_str(), 0755);
    write_file(dest_ / "Global Scenery/+40-080/.keep", "");

    for (int i = 0; i < 2; ++i) {
        dvd_unpack_task task(i, temp_path);
        run_both(task);
        std::string message;
        EXPECT_EQ(task.check_error(message), 0) << message;
        EXPECT_FALSE(testing_support::file_exists(task.temp_copy)) << "the copy is deleted";
        EXPECT_EQ(sim_info[i].back().sig_have, sim_info[i].back().sig_want);
        EXPECT_EQ(sim_info[i].back().is_current, 1);
    }
    EXPECT_EQ(read_file(dest_ / "Resources/a.txt"), "zipped");
    EXPECT_EQ(read_file(dest_ / tile), "7z");
}

TEST_F(DvdUnpackTask, ADamagedArchiveKeepsItsCopyAndSaysWhereItCameFrom)
{
    engine_testing::dvd_set disks({{"top/a.txt", "a", 0}});
    write_file(disks.archive_of({"top/a.txt", "a", 0}), "PK\x03\x04 not really a zip");
    dvd_path = disks.disk_folder(0);
    install_name = disks.release();
    disks.load_manifest();

    dvd_unpack_task task(0, temp_path);
    run_both(task);
    std::string message;
    EXPECT_NE(task.check_error(message), 0);
    EXPECT_EQ(message, "I was unable to unzip the file " + task.temp_copy + " to the folder " +
                           dest_dir_path + ".  (Original file was: " + task.dvd_src + ")");
    EXPECT_TRUE(testing_support::file_exists(task.temp_copy));
    EXPECT_NE(sim_info[0].back().is_current, 1);
}

TEST_F(DvdUnpackTask, NothingIsUnpackedThroughALinkThatLeavesTheDestination)
{
    scratch_dir elsewhere;
    engine_testing::dvd_set disks({{"top/Resources/a.txt", "a", 0}});
    dvd_path = disks.disk_folder(0);
    install_name = disks.release();
    disks.load_manifest();
    ASSERT_EQ(::symlink(elsewhere.path().c_str(), (dest_ / "Resources").c_str()), 0);

    dvd_unpack_task task(0, temp_path);
    run_both(task);
    std::string message;
    EXPECT_EQ(task.check_error(message), EACCES);
    EXPECT_FALSE(testing_support::file_exists(elsewhere / "a.txt"));
}

TEST_F(DvdUnpackTask, DeletingATaskLogsItsResultOnlyWhileActionsAreLogged)
{
    scratch_dir log_dir;
    xer.open(log_dir / "log.txt");
    add("a.txt", md5_hex("a"));
    {
        dvd_unpack_task quiet(0, temp_path);
        run_both(quiet);
    }
    stg.log_actions = 1;
    {
        dvd_unpack_task logged(0, temp_path);
        run_both(logged);
    }
    xer << std::flush;
    xer.close();
    EXPECT_EQ(read_file(log_dir / "log.txt"),
              "EXPANDING file " + dest_dir_path + "a.txt, with result=2. I was unable to copy the "
              "file /media/cdrom/Nimbrel 9/top/a.txt.zip from the DVD to the hard drive.\n");
}

}  // namespace
