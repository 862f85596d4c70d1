// Install DVDs: the version file, the manifest on the disk, which disk is
// in the drive, and where disks are mounted.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "core/archives/archives.h"
#include "core/core_globals.h"
#include "core/files/account_lookup.h"
#include "engine/dvd_media.h"
#include "engine/dvd_mounts.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "dvd_fixtures.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "test_support.h"

namespace {

using engine_testing::dvd_file;
using engine_testing::dvd_set;
using engine_testing::dvd_version_text;
using testing_support::scratch_dir;
using testing_support::write_file;

// The DVD globals as before main, and a search that finds only what the
// test mounts.
class DvdMedia : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        ::unsetenv("NIMBREL_DVD");
        UTIL_set_dvd_search_places({places_ / "mounts", {places_ / "media/"}});
        write_file(places_ / "mounts", "");
        dvd_path.clear();
        install_name = no_install_name;
        want_file_disk = current_disk = 0;
        temp_path = temp_.path();
    }
    void TearDown() override
    {
        ::unsetenv("NIMBREL_DVD");
        UTIL_set_dvd_search_places({});
        dvd_path.clear();
        install_name = no_install_name;
        engine_testing::reset_engine_state();
    }
    std::string version_name(const std::string& text)
    {
        write_file(places_ / "v/dvd_version.txt", text);
        std::string name = no_install_name;
        bool found = false;
        read_dvd_version_file(places_ / "v/dvd_version.txt", name, found);
        return name;
    }

    scratch_dir places_, temp_;
};

TEST_F(DvdMedia, TheVersionFileNamesTheReleaseByItsLastVersionLine)
{
    EXPECT_EQ(version_name(dvd_version_text("Nimbrel 9.1 Final")), "Nimbrel 9.1 Final");
    EXPECT_EQ(version_name("I\n900 version\nDVD\nVERSION one\n  \tVERSION\ttwo  \r\n"), "two  ");
    EXPECT_EQ(version_name("I\n900 version\nDVD\nVERSIONS x\nVERSION_2 y\nVERSION"), "")
        << "a longer word is no VERSION line; a bare one names the empty release";
    EXPECT_EQ(version_name("I\n900 version\nDVD\nNOTES about VERSION 3\n"), no_install_name);
}

TEST_F(DvdMedia, AVersionFileOfAnotherKindNamesNothing)
{
    for (const std::string text : {"I\n800 version\nDVD\nVERSION old\n",
                                   "I\n900 version\nINSTALLER\nVERSION wrong\n", "", "\x01\x02"}) {
        write_file(places_ / "v/dvd_version.txt", text);
        std::string name = "before";
        bool found = true;
        EXPECT_FALSE(read_dvd_version_file(places_ / "v/dvd_version.txt", name, found)) << text;
        EXPECT_EQ(name, "before");
    }
    std::string name;
    bool found;
    EXPECT_FALSE(read_dvd_version_file(places_ / "missing.txt", name, found));
}

TEST_F(DvdMedia, AScanReadsTheVersionAndTheManifestOnceFromTheDiskFound)
{
    dvd_set disks({{"top/a.txt", "a", 0}, {"top/b.txt", "b", 1}});
    ::setenv("NIMBREL_DVD", disks.disk_folder(0).c_str(), 1);
    stg.server_count = -1;

    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path, disks.disk_folder(0));
    EXPECT_EQ(install_name, disks.release());
    EXPECT_EQ(stg.server_count, 0) << "an install from DVD has no servers";
    EXPECT_EQ(stg.dir_status, kDirectoryRead);
    ASSERT_EQ(sim_info.size(), 2u);
    EXPECT_EQ(sim_info[1].back().disk, 1);

    // Nothing is read again: a second scan finds no archive and says nothing.
    testing_support::remove_tree(disks.disk_folder(0) + disks.release());
    sim_info.clear();
    testing_support::alert_recorder alerts;
    UTIL_scan_dvd();
    EXPECT_TRUE(sim_info.empty());
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(DvdMedia, ABareVersionLineLooksForTheManifestAtTheTopOfTheDisk)
{
    write_file(places_ / "disk/dvd_version.txt", "I\n900 version\nDVD\nVERSION\n");
    dvd_path = places_ / "disk/";
    testing_support::alert_recorder alerts;
    UTIL_scan_dvd();
    EXPECT_EQ(install_name, "");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line3, "Compressed File: " + dvd_path + "/directory.txt.zip.");
}

// The drive's folder holds a fresh copy of a disk: another disk to the
// program, as a real one mounted there would be.
void insert_copy(const std::string& disk, const std::string& drive)
{
    testing_support::remove_tree(drive);
    ASSERT_EQ(testing_support::run_shell("cp -r '" + disk + "' '" + drive + "'").status, 0);
}

// A damaged disk must not end the program: the hub says it is no install
// DVD for as long as it stays in the drive, and reads the next one.
TEST_F(DvdMedia, AManifestThatWillNotUnpackIsNoDiskUntilAnotherComesIn)
{
    dvd_set good({{"top/a.txt", "a", 0}});
    const std::string drive = places_ / "drive/";
    const std::string manifest = good.release() + "/directory.txt.zip";
    struct damage {
        const char* what;
        std::string archive;  // what the disk holds in place of the manifest's zip
        mode_t mode = 0644;
        std::string error = "We were unable to open a zip file. It may be missing or damaged";
    };
    scratch_dir other;
    write_file(other / "notes.txt", "no manifest here");
    ASSERT_EQ(file_to_zip(other / "notes.txt", other / "notes.zip"), 0);
    for (const damage& d : {damage{"not a zip", "damaged"},
                            damage{"a zip without the manifest", testing_support::read_file(other / "notes.zip")},
                            damage{"a manifest others may write", testing_support::read_file(good.disk_folder(0) + manifest),
                                   0666, "Other users of this computer may change this file, so it is not used"}}) {
        SCOPED_TRACE(d.what);
        insert_copy(good.disk_folder(0), drive);
        write_file(drive + manifest, d.archive);
        ASSERT_EQ(::chmod((drive + manifest).c_str(), d.mode), 0);
        write_file(temp_path + "directory.txt", "a manifest an earlier disk left behind");
        dvd_path.clear();
        install_name = no_install_name;
        stg.dir_status = 0;
        ::setenv("NIMBREL_DVD", drive.c_str(), 1);

        // The reason as a warning, the four lines of the scan's alert; the
        // program goes on.
        testing_support::alert_recorder alerts;
        UTIL_scan_dvd();
        ASSERT_EQ(alerts.alerts().size(), 1u);
        const testing_support::recorded_alert& alert = alerts.alerts()[0];
        EXPECT_EQ(alert.level, 1);
        EXPECT_EQ(alert.line1, "DVD scan: The installer cannot extract a file.");
        EXPECT_EQ(alert.line2, "Error: " + d.error + ".");
        EXPECT_EQ(alert.line3, "Compressed File: " + drive + manifest + ".");
        EXPECT_EQ(alert.line4, "Destination Path: " + temp_path + ".");
        EXPECT_EQ(stg.dir_status, kDirectoryNewerFormat);
        EXPECT_TRUE(sim_info.empty());
        UTIL_scan_dvd();
        EXPECT_EQ(stg.dir_status, kDirectoryNewerFormat) << "the same disk is not read again";
        EXPECT_EQ(alerts.alerts().size(), 1u) << "nor told about again";
        EXPECT_EQ(dvd_path, drive);

        // The user swaps disks: the good one mounts where the bad one was.
        insert_copy(good.disk_folder(0), drive);
        UTIL_scan_dvd();
        EXPECT_EQ(stg.dir_status, kDirectoryRead);
        EXPECT_EQ(install_name, good.release());
        ASSERT_EQ(sim_info.size(), 1u);
        EXPECT_EQ(sim_info[0].back().path, "top/a.txt");
    }
}

// A disk whose manifest this process has no room to keep: the scan ends on
// the warning that memory ran out, and the hub says the disk is none to
// install from while it stays in the drive.  In a child process whose
// address space is bounded; a sanitizer's shadow takes terabytes of it, so
// no bound can be set under one.
TEST_F(DvdMedia, AManifestThisMachineCannotHoldEndsTheScanWithItsWarning)
{
    if (testing_support::under_sanitizer()) GTEST_SKIP() << "no address-space bound can be set under a sanitizer";
    dvd_set good({{"top/a.txt", "a", 0}});
    const std::string drive = places_ / "drive/";
    insert_copy(good.disk_folder(0), drive);
    {
        // Line by line: a text built whole would leave its room free in the
        // heap that the child starts with.
        std::ofstream out(places_ / "directory.txt", std::ios::binary);
        out << engine_testing::manifest_text("");
        for (int i = 0; i < 1000000; ++i)
            out << "FILE 1 0 12 34 56 0123456789abcdef0123456789abcdef top/Resources/file_" << i << "\n";
    }
    ASSERT_EQ(file_to_zip(places_ / "directory.txt", drive + good.release() + "/directory.txt.zip"), 0);
    ::setenv("NIMBREL_DVD", drive.c_str(), 1);
    // Room to map the manifest's 85 MB, not to keep its million files.
    const testing_support::bounded_result r = testing_support::run_bounded(
        [&] {
            testing_support::alert_recorder alerts;
            UTIL_scan_dvd();
            UTIL_scan_dvd();
            const bool told = alerts.joined(2) == std::vector<std::string>{"The installer ran out of memory.|"
                                                                           "Error: Out of memory."};
            return stg.dir_status * 10 + told;
        },
        128 * 1024);
    EXPECT_EQ(r.result, kDirectoryNewerFormat * 10 + 1) << "the scan did not end on its warning, once";
}

TEST_F(DvdMedia, ADiskThatNamesNoReleaseIsForgottenOnceItLeaves)
{
    const std::string drive = places_ / "drive/";
    write_file(drive + "dvd_version.txt", "I\n800 version\nDVD\nVERSION old\n");
    ::setenv("NIMBREL_DVD", drive.c_str(), 1);
    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path, drive);
    EXPECT_EQ(install_name, no_install_name);

    testing_support::remove_tree(drive);
    dvd_set good({{"top/a.txt", "a", 0}});
    ::setenv("NIMBREL_DVD", good.disk_folder(0).c_str(), 1);
    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path, good.disk_folder(0)) << "the next disk is found where it mounts";
    EXPECT_EQ(stg.dir_status, kDirectoryRead);
}

TEST_F(DvdMedia, NoDiskMeansNoScan)
{
    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path, "");
    EXPECT_EQ(install_name, no_install_name);
    EXPECT_EQ(stg.dir_status, 0);
}

TEST_F(DvdMedia, VerifyFindsTheDiskThatHoldsTheWantedArchive)
{
    const std::string tile = "top/Custom Scenery/Global Scenery/+40-080/+45-075.dsf";
    dvd_set disks({{"top/a.txt", "a", 0}, {tile, "t", 1}});
    disks.load_manifest();
    install_name = disks.release();
    dvd_path = disks.disk_folder(0);

    want_file_disk = 0;
    EXPECT_TRUE(UTIL_verify_disk()) << "the .zip on disk 1";
    EXPECT_EQ(current_disk, 0);

    want_file_disk = 1;
    EXPECT_FALSE(UTIL_verify_disk()) << "the tile lies on disk 2 only";
    EXPECT_EQ(current_disk, 0);
    EXPECT_EQ(dvd_path, disks.disk_folder(0));

    dvd_path = disks.disk_folder(1);  // the user changed disks
    EXPECT_TRUE(UTIL_verify_disk()) << "the .7z of a scenery tile";
    EXPECT_EQ(current_disk, 1);

    // A desktop mounts each disk by its label: the disk is found wherever.
    dvd_path.clear();
    ::setenv("NIMBREL_DVD", (disks.disk_folder(0) + ":" + disks.disk_folder(1)).c_str(), 1);
    want_file_disk = 1;
    EXPECT_TRUE(UTIL_verify_disk());
    EXPECT_EQ(dvd_path, disks.disk_folder(1));
}

TEST_F(DvdMedia, DiskNumbersOfFilesThatDoNotExistAreNeverLookedUp)
{
    dvd_set disks({{"top/a.txt", "a", 0}});
    disks.load_manifest();
    install_name = disks.release();
    dvd_path = disks.disk_folder(0);
    current_disk = 5;
    for (int index : {-1, 1, 1 << 30}) {
        want_file_disk = index;
        EXPECT_FALSE(UTIL_verify_disk()) << index;
        EXPECT_EQ(UTIL_switch_disk(0), -1) << index;
    }
    EXPECT_EQ(current_disk, 5);
    sim_info.clear();
    want_file_disk = 0;
    EXPECT_FALSE(UTIL_verify_disk()) << "no manifest at all";
}

TEST_F(DvdMedia, SwitchingReportsTheWantedDiskAndLetsGoOfTheDriveOnlyWhenAsked)
{
    dvd_set disks({{"top/a.txt", "a", 0}, {"top/b.txt", "b", 2}});
    disks.load_manifest();
    want_file_disk = 1;
    dvd_path = disks.disk_folder(0);
    EXPECT_EQ(UTIL_switch_disk(0), 2);
    EXPECT_EQ(dvd_path, disks.disk_folder(0));
    EXPECT_EQ(UTIL_switch_disk(1), 2);
    EXPECT_EQ(dvd_path, "");
    EXPECT_EQ(UTIL_switch_disk(1), 2) << "nothing to eject";
}

// -- Finding mounted disks ---

TEST_F(DvdMedia, MountedDisksAreFoundInTheMountTableAndUnderTheMountRoots)
{
    write_file(places_ / "cd rom/dvd_version.txt", dvd_version_text("r"));
    write_file(places_ / "media/user/NIMBREL_2/dvd_version.txt", dvd_version_text("r"));
    write_file(places_ / "media/cdrom/dvd_version.txt", dvd_version_text("r"));
    write_file(places_ / "media/user/Photos/holiday.jpg", "");
    write_file(places_ / "share/dvd_version.txt", dvd_version_text("r"));
    std::string escaped = places_ / "cd\\040rom";
    write_file(places_ / "mounts", "proc /proc proc rw 0 0\n/dev/sr0 " + escaped +
                                       " iso9660 ro 0 0\nserver:/x " + (places_ / "share") +
                                       " nfs4 rw 0 0\ngarbage\n");

    std::vector<std::string> found;
    UTIL_list_dvd_folders(found);
    EXPECT_EQ(found, (std::vector<std::string>{places_ / "cd rom/", places_ / "media/cdrom/",
                                                places_ / "media/user/NIMBREL_2/"}))
        << "network mounts are never touched";
    EXPECT_EQ(UTIL_find_dvd_path(), places_ / "cd rom/");
}

// What is installed and run comes from the disk: a folder is one only where
// no other user can change it, wherever the search finds it (first in
// NIMBREL_DVD and the mount table, as /dev/shm is mounted before any disk),
// in the hub's search and at each disk change.  Each refused folder is
// logged with why, once, and named to the screens while no disk serves.
TEST_F(DvdMedia, OnlyAFolderNoOtherUserCanChangeIsADisk)
{
    dvd_set disks({{"top/a.txt", "a", 0}});
    const uid_t me = ::geteuid(), other = me == 65534 ? 65533 : 65534;
    const std::string theirs = "run/user/" + std::to_string(other) + "/";
    // The group of the folders holds another user: its write is theirs.
    write_file(places_ / "accounts.passwd", "them:x:4242:4242::/:/bin/sh\n");
    write_file(places_ / "accounts.group", "g:x:" + std::to_string(::getegid()) + ":them\n");
    set_account_files(places_ / "accounts.passwd", places_ / "accounts.group");
    const struct {
        std::string folder;
        mode_t mode, version_mode;
        uid_t owner;
        std::string why;  // "" for the disk
    } rows[] = {
        {"shm/", 01777, 0644, me, "shm/ may be written by others"},  // as /dev/shm
        {theirs, 0700, 0644, other, theirs + " " + owner_phrase(other)},  // as root sees it
        {"group/", 0775, 0644, me, "group/ may be written by others"},
        {"loose/", 0755, 0666, me, "loose/dvd_version.txt may be written by others"},
        {"disk/", 0555, 0444, me, ""},
    };
    std::string table;
    std::vector<std::string> refused, lines;
    for (const auto& p : rows) {
        const std::string folder = places_ / p.folder;
        if (p.owner != me && me != 0) {
            std::printf("The row of another user's folder is left out: giving one to them needs root.\n");
            continue;
        }
        testing_support::run_shell("mkdir -p '" + folder + "' && cp -r '" + disks.disk_folder(0) + ".' '" + folder + "'");
        ASSERT_EQ(::chmod((folder + "dvd_version.txt").c_str(), p.version_mode) | ::chown(folder.c_str(), p.owner, -1) |
                      ::chmod(folder.c_str(), p.mode), 0);
        table += "tmpfs " + folder + " tmpfs rw 0 0\n";
        if (!p.why.empty()) refused.push_back(folder);
        if (!p.why.empty()) lines.push_back("Not taking " + folder + " for a DVD: " + places_.path() + p.why + ".\n");
    }
    write_file(places_ / "mounts", table);
    ::setenv("NIMBREL_DVD", refused[0].c_str(), 1);
    engine_testing::log_capture log;
    std::vector<std::string> found, told;
    UTIL_list_dvd_folders(found, &told);
    UTIL_list_dvd_folders(found);
    EXPECT_EQ(found, std::vector<std::string>{places_ / "disk/"});
    EXPECT_EQ(told, refused);
    for (const std::string& line : lines) EXPECT_EQ(testing_support::count_of(log.text(), line), 1) << log.text();

    // A version file is checked where it is read as well.
    dvd_path = places_ / "loose/";
    UTIL_scan_dvd();
    EXPECT_EQ(install_name, no_install_name);
    dvd_path.clear();
    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path, places_ / "disk/");
    EXPECT_EQ(stg.dir_status, kDirectoryRead);
    dvd_path.clear();
    EXPECT_TRUE(UTIL_verify_disk());
    EXPECT_EQ(dvd_path, places_ / "disk/");

    // Opened to others, the disk in the drive is none at the next change,
    // and the screens can say why.
    ASSERT_EQ(::chmod((places_ / "disk/").c_str(), 0777), 0);
    EXPECT_FALSE(UTIL_verify_disk());
    EXPECT_EQ(UTIL_refused_dvd(), refused[0]);
    dvd_path.clear();
    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path + UTIL_refused_dvd(), refused[0]);
    set_account_files("", "");
}

TEST_F(DvdMedia, TheEnvironmentNamesDisksFirstAndOnlyRealOnesCount)
{
    write_file(places_ / "image/dvd_version.txt", dvd_version_text("r"));
    write_file(places_ / "media/cdrom/dvd_version.txt", dvd_version_text("r"));
    ::setenv("NIMBREL_DVD", ("::" + places_ / "empty:" + places_ / "image").c_str(), 1);
    std::vector<std::string> found;
    UTIL_list_dvd_folders(found);
    EXPECT_EQ(found, (std::vector<std::string>{places_ / "image/", places_ / "media/cdrom/"}));

    UTIL_set_dvd_search_places({places_ / "no such table", {}});
    ::unsetenv("NIMBREL_DVD");
    EXPECT_EQ(UTIL_find_dvd_path(), "");
}

}  // namespace
