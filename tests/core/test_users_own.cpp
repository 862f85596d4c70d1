// Folders no other user can change, and the files of the program's own
// opened by fixed names in them: what stands at such a name beforehand is
// never written through, waited on or shared.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "core/files/own_files.h"
#include "test_support.h"

namespace {

using testing_support::read_file;
using testing_support::run_shell;
using testing_support::scratch_dir;

struct folder_case {
    const char* what;
    const char* make;    // shell commands in the scratch folder
    const char* folder;  // in it, or absolute
    const char* why;     // what the reason names; "" for the user's own
    const char* reached = "a/";         // the folder without links, in the scratch folder or absolute
    const char* writable_why = nullptr;  // where the user may not write it though it is their own
    bool needs_root = false;
    bool as_another_user = false;  // run as run_unprivileged's user
    // Who else is in the group of what the row makes, as the accounts the
    // walk reads say: the system's, or files of the test's own.
    enum { system_groups, alone, alone_listed, listed_other, primary_of_other, no_entry } group = system_groups;
};

// Account and group files of the test's own, in `dir`, that describe the
// group `gid` as `how` says; the user's own account has another group.
void describe_group(const scratch_dir& dir, gid_t gid, int how)
{
    const std::string me = "me:x:" + std::to_string(::geteuid()) + ":" + std::to_string(gid + 1) + "::/:/bin/sh\n";
    const std::string other = "them:x:" + std::to_string(::geteuid() + 1) + ":" +
                              std::to_string(how == folder_case::primary_of_other ? gid : gid + 2) + "::/:/bin/sh\n";
    const std::string members = how == folder_case::alone_listed   ? "me"
                                : how == folder_case::listed_other ? "me,them"
                                                                   : "";
    const std::string group = how == folder_case::no_entry ? "" : "g:x:" + std::to_string(gid) + ":" + members + "\n";
    ASSERT_EQ(run_shell("printf '" + me + other + "' >'" + (dir / "passwd") + "' && printf '" + group + "' >'" +
                        (dir / "group") + "'").status, 0);
    set_account_files(dir / "passwd", dir / "group");
}

TEST(UsersOwnFolder, OnlyAPathNoOtherUserCanChangeIsTheUsersOwn)
{
    const folder_case cases[] = {
        {"a folder of the user's", "mkdir -m 755 a", "a", ""},
        {"one reached through a link", "mkdir -m 755 a && ln -s a link", "link", ""},
        {"one reached through a link and back up", "mkdir -m 755 a a/b && ln -s a/b link", "link/..", ""},
        {"one its group may write, a group with another member", "mkdir -m 775 a", "a", "a/ may be written by others",
         "a/", nullptr, false, false, folder_case::listed_other},
        {"one anyone may write, sticky as /tmp/", "mkdir -m 1777 a", "a", "a/ may be written by others"},
        {"a folder of the user's in a sticky one", "mkdir -m 1777 a && mkdir -m 700 a/b", "a/b", "", "a/b/"},
        {"a folder of the user's in one anyone may write", "mkdir -m 777 a && mkdir -m 700 a/b", "a/b",
         "a/ may be written by others"},
        {"a link at the end, in a folder others may write", "mkdir -m 755 a && mkdir -m 1777 s && ln -s ../a s/link",
         "s/link", "s/link is a link in a folder others may write"},
        {"a link in the middle, in a folder others may write",
         "mkdir -m 755 a a/b && mkdir -m 1777 s && ln -s ../a s/link", "s/link/b",
         "s/link is a link in a folder others may write"},
        {"/tmp/", "", "/tmp/", "/tmp/ may be written by others"},
        {"nothing", "", "a", std::strerror(ENOENT)},
        {"a folder of another user's", "mkdir -m 755 a && chown 65534 a", "a", "a/ belongs to the user nobody", "a/",
         nullptr, true},
        {"the user's in another user's", "mkdir -m 755 a a/b && chown 65534 a", "a/b", "a/ belongs to the user nobody",
         "a/", nullptr, true},
        {"root's folder, for an ordinary user", "", "/usr/", "", "/usr/", "/usr/ belongs to root", false, true},
        // A user private group: under a umask of 002 every folder is
        // writable by a group that holds no one else.
        {"one its group may write, a group of the user's alone", "umask 002 && mkdir a", "a", "", "a/", nullptr,
         false, false, folder_case::alone},
        {"the same, the user named in its member list", "umask 002 && mkdir a", "a", "", "a/", nullptr, false, false,
         folder_case::alone_listed},
        {"one whose group is another account's own", "umask 002 && mkdir a", "a", "a/ may be written by others", "a/",
         nullptr, false, false, folder_case::primary_of_other},
        {"one whose group no entry describes", "umask 002 && mkdir a", "a", "a/ may be written by others", "a/",
         nullptr, false, false, folder_case::no_entry},
        {"a folder of the user's in a private group's folder", "umask 002 && mkdir a a/b", "a/b", "", "a/b/",
         nullptr, false, false, folder_case::alone},
        {"a folder deeper than a path may be long",
         "p=a; for i in $(seq 25); do p=$p/$(printf 'x%.0s' $(seq 200)); done; mkdir -p $p", "deep",
         "", "a/", nullptr, false, false},
    };
    for (const folder_case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needs_root && ::geteuid() != 0) continue;  // a folder of another user's needs root to make
        if (c.as_another_user && ::geteuid() != 0 && ::access("/usr/", W_OK) == 0) continue;
        scratch_dir dir;
        ASSERT_EQ(run_shell(std::string("cd '") + dir.path() + "' && true " + (*c.make ? "&& " : "") + c.make).status, 0);
        std::string folder = c.folder[0] == '/' ? c.folder : dir / c.folder;
        std::string reached = c.reached[0] == '/' ? c.reached : dir / c.reached;
        if (std::string(c.folder) == "deep") {
            folder = dir / "a";
            for (int i = 0; i < 25; ++i) folder += "/" + std::string(200, 'x');
            reached = folder + "/";
            ASSERT_GT(reached.size(), static_cast<size_t>(PATH_MAX));
        }
        struct stat made;
        if (c.group != folder_case::system_groups) {
            ASSERT_EQ(::stat(folder.c_str(), &made), 0);
            describe_group(dir, made.st_gid, c.group);
        }
        // Each answer as a byte the other user's process can hand back.
        const auto judge = [&] {
            std::string resolved, why, writable_resolved, writable_why;
            const bool own = users_own_folder(folder, resolved, why);
            const bool writable = users_writable_folder(folder, writable_resolved, writable_why);
            const char* expected_writable_why = c.writable_why ? c.writable_why : c.why;
            return (own == !*c.why ? 0 : 1) |
                   ((own ? resolved == reached : why.find(c.why) != std::string::npos) ? 0 : 2) |
                   (writable == !*expected_writable_why ? 0 : 4) |
                   ((writable ? writable_resolved == reached
                              : writable_why.find(expected_writable_why) != std::string::npos) ? 0 : 8);
        };
        const int wrong = c.as_another_user && ::geteuid() == 0 ? testing_support::run_unprivileged(judge) : judge();
        EXPECT_EQ(wrong & 1, 0) << "taken for the user's own, or not";
        EXPECT_EQ(wrong & 2, 0) << "another folder reached, or another reason";
        EXPECT_EQ(wrong & 4, 0) << "taken for the user's to write, or not";
        EXPECT_EQ(wrong & 8, 0) << "another folder reached to write, or another reason";
        set_account_files("", "");
        // The scratch folder's removal walks by path, which a folder this
        // deep outgrows.
        if (std::string(c.folder) == "deep") run_shell("rm -rf '" + dir / "a" + "'");
    }
}

// What stands at the name decides; a link's target, a pipe, a folder, a
// file the name is a second name of and another user's file are never
// touched (nor emptied: a file is emptied only once judged), and the file
// opened is the user's alone.
TEST(OpenOwnFile, OpensOnlyARegularFileAtTheNameAndKeepsItToTheUser)
{
    scratch_dir dir;
    const bool root = ::geteuid() == 0;
    ASSERT_EQ(run_shell("cd '" + dir.path() + "' && echo theirs >target && echo earlier >old && chmod 644 old && "
                        "ln -s target link && mkfifo pipe && mkdir folder && ln target second && echo theirs >others" +
                        (root ? " && chown 65534 others" : "")).status, 0);
    const struct {
        const char* name;
        int error;  // 0: opened
        bool needs_root = false;
    } cases[] = {{"new", 0},         {"old", 0},          {"link", ELOOP},           {"pipe", ENXIO},
                 {"folder", EISDIR}, {"second", EMLINK}, {"others", EACCES, true}};
    for (const auto& c : cases) {
        if (c.needs_root && !root) continue;  // another user's file needs root to make
        errno = 0;
        place_fault fault;
        const int fd = open_own_file(dir / c.name, O_TRUNC, fault);
        EXPECT_EQ(fd < 0 ? errno : 0, c.error) << c.name;
        EXPECT_EQ(!fault, fd >= 0) << c.name << ": " << fault.text();
        struct stat st;
        if (fd < 0) continue;
        EXPECT_TRUE(::fstat(fd, &st) == 0 && (st.st_mode & 0777) == 0600 && st.st_size == 0) << c.name;
        ::close(fd);
    }
    EXPECT_EQ(read_file(dir / "target"), "theirs\n");
    EXPECT_EQ(read_file(dir / "others"), "theirs\n");
}

}  // namespace
