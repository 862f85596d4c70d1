// A new copy's folder on a drive that shows every file with one owner,
// whoever made it (FAT, NTFS, sshfs, bindfs, NFS that squashes root): the
// gate takes the folder it made there, and still refuses a folder put at
// the name meanwhile, in words, leaving no empty folder in the way of the
// next try.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "alert_recorder.h"
#include "archive_builders.h"
#include "engine/copy_gate.h"
#include "engine/destination_folders.h"
#include "engine/installer_state.h"
#include "http_harness.h"
#include "moment_changes.h"
#include "pump_fixture.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;

constexpr uid_t kOtherOwner = 65534;

// `under` + "shown/", a bindfs view of `under` + "kept/" in which every
// file is kOtherOwner's, while this lives.  bindfs runs in the foreground
// as a child that ends with the test program, however it ends: a daemon
// would outlive a killed test, holding its mount.
class one_owner_drive {
public:
    explicit one_owner_drive(const std::string& under) : shown_(under + "shown/")
    {
        const std::string kept = under + "kept/";
        const std::string owner = "--force-user=" + std::to_string(kOtherOwner);
        const std::string group = "--force-group=" + std::to_string(kOtherOwner);
        if (::geteuid() != 0) {
            why_not_ = "mounting a FUSE file system takes root here";
        } else if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            why_not_ = "there is no /dev/fuse";
        } else if (::mkdir(kept.c_str(), 0755) != 0 || ::mkdir(shown_.c_str(), 0755) != 0) {
            why_not_ = "the mount's folders could not be made";
        } else if ((bindfs_ = ::fork()) == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::execlp("bindfs", "bindfs", "-f", owner.c_str(), group.c_str(), kept.c_str(), shown_.c_str(),
                     static_cast<char*>(nullptr));
            _exit(127);
        } else {
            // Mounted once the table shows it, failed once bindfs ends.
            int status;
            testing_support::wait_until(
                [&] {
                    if (::waitpid(bindfs_, &status, WNOHANG) == bindfs_) bindfs_ = -1;
                    return bindfs_ < 0 || !testing_support::mount_points_below(shown_).empty();
                },
                30, 10);
            if (bindfs_ < 0 || testing_support::mount_points_below(shown_).empty())
                why_not_ = "bindfs did not mount (scripts/setup installs it)";
        }
    }
    // Lazily: the gate may still hold a folder there when a check failed.
    // bindfs ends once its mount is gone.
    ~one_owner_drive()
    {
        if (bindfs_ <= 0) return;
        ::umount2(shown_.c_str(), MNT_DETACH);
        ::kill(bindfs_, SIGTERM);
        ::waitpid(bindfs_, nullptr, 0);
    }
    one_owner_drive(const one_owner_drive&) = delete;
    one_owner_drive& operator=(const one_owner_drive&) = delete;

    const std::string& path() const { return shown_; }
    // Empty when mounted.
    const std::string& why_not() const { return why_not_; }

private:
    std::string shown_, why_not_;
    pid_t bindfs_ = -1;
};

// What stands at the new copy's name by the time the gate opens the folder
// it made there, and what the install then meets.
struct at_the_name {
    const char* what;
    int answer;
    const char* logged;  // the reason in the log
    const char* shown;   // the alert's second line
};
const at_the_name kNothing = {"nothing else", 0, "", ""};
const at_the_name kFilled = {"a folder holding the user's file", ENOTEMPTY,
                             "a folder holding files was put at its name", "Error: Directory not empty"};
const at_the_name kOthers = {
    "an empty folder of another user", EPERM, "its owner (65534) is neither this user",
    "Error: Operation not permitted. Perhaps you do not have access to a directory or file system"};

class CopyGateOneOwnerDrives : public engine_testing::pump_test {
protected:
    void make_new_copy_in(const std::string& parent, const at_the_name& row)
    {
        SCOPED_TRACE(row.what);
        const std::string made = parent + "Nimbrel", other = parent + "other", aside = parent + "aside";
        if (row.answer == ENOTEMPTY) testing_support::write_file(other + "/precious.txt", "the user's");
        if (row.answer == EPERM) {
            ASSERT_EQ(::mkdir(other.c_str(), 0777), 0);
            ASSERT_EQ(::chown(other.c_str(), kOtherOwner, kOtherOwner), 0);
        }
        dest_dir_path = made + "/";
        http_harness::captured_log log;
        testing_support::alert_recorder alerts;
        int err;
        {
            // Two renames, not an exchange: FUSE file systems may not offer one.
            engine_testing::moment_change put(disk_moment::new_folder_made, [&] {
                EXPECT_TRUE(!row.answer || (::rename(made.c_str(), aside.c_str()) == 0 &&
                                            ::rename(other.c_str(), made.c_str()) == 0));
            });
            err = make_new_copy_dirs();
        }
        EXPECT_EQ(err, row.answer);
        if (!err) {
            testing_support::write_file(temp_path + "a.zip", archive_fixtures::make_zip({{"a.txt", "a"}}));
            file_version_struct v;
            v.path = "Nimbrel/a.txt";
            v.sig_want = testing_support::md5_hex("a");
            v.installed_size = 1;
            EXPECT_EQ(copy_install(temp_path + "a.zip", v, nullptr), 0);
            EXPECT_EQ(read_file(made + "/a.txt"), "a");
            EXPECT_EQ(copy_remove_all(), 0);
            EXPECT_FALSE(file_exists(made)) << "a cancel leaves the copy it made";
        } else {
            EXPECT_TRUE(testing_support::has(log.text(), row.logged)) << log.text();
            ASSERT_EQ(alerts.alerts().size(), 1u);
            EXPECT_EQ(alerts.alerts()[0].line2, row.shown);
            const bool kept = row.answer == ENOTEMPTY ? read_file(made + "/precious.txt") == "the user's"
                                                      : !file_exists(made);
            EXPECT_TRUE(kept) << "the user's folder was emptied, or an empty one stands in the next try's way";
        }
        for (const std::string& gone : {made, other, aside}) testing_support::remove_tree(gone);
    }
};

TEST_F(CopyGateOneOwnerDrives, AFolderPutAtTheNameIsRefusedInWords)
{
    make_new_copy_in(dest_.path(), kNothing);
    make_new_copy_in(dest_.path(), kFilled);
    // Only root can give a folder away.
    if (::geteuid() == 0) make_new_copy_in(dest_.path(), kOthers);
}

TEST_F(CopyGateOneOwnerDrives, ANewCopyIsMadeOnADriveThatGivesEveryFileOneOwner)
{
    one_owner_drive drive(dest_.path());
    if (!drive.why_not().empty()) GTEST_SKIP() << drive.why_not();
    // There every folder shows that one owner: an empty one put at the name
    // cannot be told from the gate's own.
    make_new_copy_in(drive.path(), kNothing);
    make_new_copy_in(drive.path(), kFilled);
}

}  // namespace
