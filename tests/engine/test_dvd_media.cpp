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

// A line of a mount table of the test's own, as /proc/self/mountinfo
// writes it; its mount number lies far above any the kernel gives, so the
// mount is known by its point.
std::string mount_line(const std::string& point, const std::string& type, const std::string& source = "none",
                       const std::string& options = "rw", const std::string& fs_options = "rw")
{
    static int number = 1 << 24;
    const auto escaped = [](const std::string& text) {
        std::string out;
        for (char c : text) out += c == ' ' ? "\\040" : c == '\n' ? "\\012" : c == '\\' ? "\\134" : std::string(1, c);
        return out;
    };
    return std::to_string(++number) + " 1 0:0 / " + escaped(point) + " " + options + " - " + type + " " +
           escaped(source) + " " + fs_options + "\n";
}

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
    write_file(places_ / "mounts", mount_line("/proc", "proc", "proc") +
                                       mount_line(places_ / "cd rom", "iso9660", "/dev/sr0", "ro", "ro") +
                                       mount_line(places_ / "share", "nfs4", "server:/x") + "garbage\n");

    std::vector<std::string> found;
    UTIL_list_dvd_folders(found);
    EXPECT_EQ(found, (std::vector<std::string>{places_ / "cd rom/", places_ / "media/cdrom/",
                                                places_ / "media/user/NIMBREL_2/"}))
        << "network mounts are never touched";
    EXPECT_EQ(UTIL_find_dvd_path(), places_ / "cd rom/");
}

// What is installed and run comes from the disk: a folder is one only where
// no other user could change or bring it, judged first by its mount (who
// made it, the file behind a loop device, a file system read-only as a
// whole) and then by its folders, wherever the search finds it (first in
// NIMBREL_DVD and the mount table, as /dev/shm is mounted before any disk),
// in the hub's search, at the start and at each disk change.  Each refused
// folder is logged with the rule, once, and named to the screens while no
// disk serves.
TEST_F(DvdMedia, OnlyAFolderNoOtherUserCanChangeIsADisk)
{
    dvd_set disks({{"top/a.txt", "a", 0}});
    const uid_t me = ::geteuid(), other = me == 65534 ? 65533 : 65534;
    const std::string theirs = "run/user/" + std::to_string(other) + "/";
    // The user, another user whose group holds the user's folders (so its
    // write is theirs), a third, and a group of the user's alone.
    write_file(places_ / "accounts.passwd", "me:x:" + std::to_string(me) + ":4243::/:/bin/sh\n"
                                            "them:x:4242:4242::/:/bin/sh\nelse:x:4244:4244::/:/bin/sh\n");
    write_file(places_ / "accounts.group", "g:x:" + std::to_string(::getegid()) + ":them\np:x:4243:\n");
    set_account_files(places_ / "accounts.passwd", places_ / "accounts.group");
    // The files behind two loop devices.
    write_file(places_ / "image", "the user's");
    write_file(places_ / "loose image", "anyone's");
    ASSERT_EQ(::chmod((places_ / "loose image").c_str(), 0666), 0);
    write_file(places_ / "block/loop7/loop/backing_file", places_ / "loose image\n");
    write_file(places_ / "block/loop8/loop/backing_file", places_ / "image\n");
    UTIL_set_dvd_search_places({places_ / "mounts", {}, places_ / "block/", {places_ / "media/"}});
    const std::string fuse_options = "rw,user_id=4242,group_id=4242,default_permissions,allow_other";
    const struct {
        std::string folder;
        mode_t mode, version_mode;
        uid_t owner;
        std::string why;  // what the log says of it; "" for a disk
        std::string type = "tmpfs", source = "tmpfs", options = "rw", fs_options = "rw";
        gid_t group = static_cast<gid_t>(-1);
        std::string version_link = {};  // the version file is a link to this, below the places
    } rows[] = {
        {"shm/", 01777, 0644, me, "shm/ may be written by others"},  // as /dev/shm
        {theirs, 0700, 0644, other, theirs + " " + owner_phrase(other)},  // as root sees it
        {"group/", 0775, 0644, me, "group/ may be written by others"},
        {"loose/", 0755, 0666, me, "loose/dvd_version.txt may be written by others"},
        // A label of the other user's choosing puts no line of theirs in
        // the log.
        {"a\nlabel/", 0777, 0644, me, "a\\012label/ may be written by others"},
        // Not followed: it may lead into another user's FUSE mount whose
        // daemon never answers (here to nothing, which a search that
        // followed it would pass over in silence).
        {"link/", 0755, 0644, me, "link/dvd_version.txt is not a regular file", "tmpfs", "tmpfs", "rw", "rw",
         static_cast<gid_t>(-1), "fuse/gone/dvd_version.txt"},
        // A stick another user brought, whose files say they are the user's.
        {"media/them/STICK/", 0755, 0644, me, "media/them/STICK/ is in another user's media folder", "vfat",
         "/dev/sdb1"},
        // Never looked inside: its daemon may never answer.
        {"fuse/", 0755, 0644, me, "fuse/: it is a FUSE mount of user 4242", "fuse.bindfs", "bindfs", "rw",
         fuse_options},
        // Read-only as its mount says, but not as its file system does.
        {"read-only bind/", 0777, 0666, me, "read-only bind/ may be written by others", "ext4", "/dev/sdc1", "ro"},
        {"loop7/", 0755, 0644, me,
         "loop7/ is on a loop device of a file others may change (" + places_.path() + "loose image may be written by others)",
         "ext4", "/dev/loop7", "ro", "ro"},
        // Disks: a group of the user's alone; a read-only disk whose files
        // kept the owners and modes they had where it was made; the same
        // as an image no one else may write; the user's own media folder,
        // whatever the modes a stick records.
        {"private/", 0775, 0664, me, "", "ext4", "/dev/sde1", "rw", "rw", 4243},
        {"cdrom/", 0777, 0666, me == 0 ? other : me, "", "iso9660", "/dev/sr0", "ro", "ro"},
        {"loop8/", 0777, 0666, me, "", "ext4", "/dev/loop8", "ro", "ro"},
        {"media/me/LABEL/", 0777, 0666, me, "", "vfat", "/dev/sdd1"},
        {"disk/", 0555, 0444, me, ""},
    };
    std::string table, refused_table;
    std::vector<std::string> refused, lines, usable;
    for (const auto& p : rows) {
        const std::string folder = places_ / p.folder;
        if ((p.owner != me || p.group != static_cast<gid_t>(-1)) && me != 0) {
            std::printf("The row of %s is left out: giving it to another user or group needs root.\n", p.folder.c_str());
            continue;
        }
        testing_support::run_shell("mkdir -p '" + folder + "' && cp -r '" + disks.disk_folder(0) + ".' '" + folder + "'");
        ASSERT_EQ(::chmod((folder + "dvd_version.txt").c_str(), p.version_mode) |
                      ::lchown((folder + "dvd_version.txt").c_str(), p.owner, p.group) |
                      ::chown(folder.c_str(), p.owner, p.group) | ::chmod(folder.c_str(), p.mode), 0);
        if (!p.version_link.empty()) {
            ASSERT_EQ(::unlink((folder + "dvd_version.txt").c_str()) |
                          ::symlink((places_ / p.version_link).c_str(), (folder + "dvd_version.txt").c_str()), 0);
        }
        const std::string line = mount_line(folder, p.type, p.source, p.options, p.fs_options);
        table += line;
        if (p.why.empty()) {
            usable.push_back(folder);
            continue;
        }
        refused_table += line;
        const bool closed = p.type.compare(0, 4, "fuse") == 0;
        if (!closed) refused.push_back(folder);
        std::string shown = folder;
        if (const size_t line_end = shown.find('\n'); line_end != std::string::npos) shown.replace(line_end, 1, "\\012");
        lines.push_back(closed ? "Not looking for a DVD in " + folder + ": it is " + p.why.substr(p.why.find(": it is ") + 8) + ".\n"
                               : "Not taking " + shown + " for a DVD: " + places_.path() + p.why + ".\n");
    }
    write_file(places_ / "mounts", table);
    ::setenv("NIMBREL_DVD", refused[0].c_str(), 1);
    engine_testing::log_capture log;
    std::vector<std::string> found, told;
    UTIL_list_dvd_folders(found, &told);
    UTIL_list_dvd_folders(found);
    EXPECT_EQ(found, usable);
    EXPECT_EQ(told, refused);
    for (const std::string& line : lines) EXPECT_EQ(testing_support::count_of(log.text(), line), 1) << log.text();

    // A version file is checked where it is read as well.
    dvd_path = places_ / "loose/";
    UTIL_scan_dvd();
    EXPECT_EQ(install_name, no_install_name);
    dvd_path.clear();
    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path, usable[0]);
    EXPECT_EQ(stg.dir_status, kDirectoryRead);
    dvd_path.clear();
    EXPECT_TRUE(UTIL_verify_disk());
    EXPECT_EQ(dvd_path, usable[0]);

    // Started from a disk, the program takes that one before any the search
    // finds first, and at a disk change the folder where the disk before
    // was is looked at first.
    EXPECT_EQ(UTIL_find_start_dvd(places_ / "media/them/STICK/nimbrel-dvd-installer"),
              me == 0 ? places_ / "media/them/STICK/" : usable[0])
        << "another user's stick is a disk for a program started from it only where root runs it";
    EXPECT_EQ(UTIL_find_start_dvd(places_ / "disk/nimbrel-dvd-installer"), places_ / "disk/");
    dvd_path = places_ / "disk/";
    UTIL_switch_disk(1);
    EXPECT_TRUE(UTIL_verify_disk());
    EXPECT_EQ(dvd_path, places_ / "disk/");

    // Opened to others, the disk in the drive is none at the next change,
    // and the screens can say why.
    write_file(places_ / "mounts", refused_table + mount_line(places_ / "disk", "tmpfs", "tmpfs"));
    ASSERT_EQ(::chmod((places_ / "disk/").c_str(), 0777), 0);
    EXPECT_FALSE(UTIL_verify_disk());
    EXPECT_EQ(UTIL_refused_dvd(), refused[0]);
    dvd_path.clear();
    UTIL_scan_dvd();
    EXPECT_EQ(dvd_path + UTIL_refused_dvd(), refused[0]);

    // Root's run started from a disk in a user's media folder takes that
    // folder's disks, at the start and at each disk change, and no other
    // user's.
    if (me == 0) {
        testing_support::run_shell("mkdir -p '" + places_ / "media/else/" + "' && cp -r '" + places_ / "media/them/STICK" +
                                   "' '" + places_ / "media/them/DISK2" + "' && cp -r '" + places_ / "media/them/STICK" +
                                   "' '" + places_ / "media/else/DISK2" + "'");
        write_file(places_ / "mounts", mount_line(places_ / "media/else/DISK2", "vfat", "/dev/sdf1") +
                                           mount_line(places_ / "media/them/STICK", "iso9660", "/dev/sr1", "ro", "rw") +
                                           mount_line(places_ / "media/them/DISK2", "vfat", "/dev/sdg1"));
        EXPECT_EQ(UTIL_find_start_dvd(places_ / "media/them/STICK/nimbrel-dvd-installer"), places_ / "media/them/STICK/");
        disks.load_manifest();
        install_name = disks.release();
        dvd_path = places_ / "media/them/STICK/";
        want_file_disk = 0;
        UTIL_switch_disk(1);
        testing_support::remove_tree(places_ / "media/them/STICK/");
        EXPECT_TRUE(UTIL_verify_disk());
        EXPECT_EQ(dvd_path, places_ / "media/them/DISK2/") << "not the other user's disk 2, listed first";
    }
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

    // A folder named from where the program started is that folder, once,
    // wherever the program's working folder is now.
    char* here = ::getcwd(nullptr, 0);
    ASSERT_TRUE(here);
    const std::string started = here;
    std::free(here);
    ASSERT_EQ(::chdir((places_ / "image").c_str()), 0);
    UTIL_set_dvd_search_places({places_ / "mounts", {places_ / "media/"}});  // as the program starts here
    ::setenv("NIMBREL_DVD", "./", 1);
    UTIL_list_dvd_folders(found);
    ASSERT_EQ(::chdir("/"), 0);
    std::vector<std::string> found_elsewhere, named_twice;
    UTIL_list_dvd_folders(found_elsewhere);
    ::setenv("NIMBREL_DVD", (".:" + places_ / "image").c_str(), 1);
    UTIL_list_dvd_folders(named_twice);
    ASSERT_EQ(::chdir(started.c_str()), 0);
    EXPECT_EQ(found, (std::vector<std::string>{places_ / "image/", places_ / "media/cdrom/"}));
    EXPECT_EQ(found_elsewhere, found);
    EXPECT_EQ(named_twice, found);

    UTIL_set_dvd_search_places({places_ / "no such table", {}});
    ::unsetenv("NIMBREL_DVD");
    EXPECT_EQ(UTIL_find_dvd_path(), "");
}

}  // namespace
