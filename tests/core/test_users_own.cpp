// Folders no other user can change, and the files of the program's own
// opened by fixed names in them: what another user may have put at such a
// name beforehand is never written through, waited on or shared.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "core/files/users_own.h"
#include "test_support.h"

namespace {

using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

constexpr uid_t kOtherUser = 65534;

struct folder_case {
    const char* what;
    const char* folder;  // below the scratch folder, or absolute
    std::function<void(const std::string& in)> make;
    bool own;
    const char* why;  // what the reason names when it is not
};

void expect_folder_case(const folder_case& c, const std::string& in)
{
    c.make(in);
    std::string resolved, why;
    const std::string folder = c.folder[0] == '/' ? c.folder : in + c.folder;
    EXPECT_EQ(users_own_folder(folder, resolved, why), c.own) << c.what << ": " << why;
    if (c.own) {
        EXPECT_EQ(resolved.back(), '/') << c.what;
    } else {
        EXPECT_NE(why.find(c.why), std::string::npos) << c.what << ": " << why;
    }
}

void folder(const std::string& path, mode_t mode)
{
    ::mkdir(path.c_str(), 0700);
    ::chmod(path.c_str(), mode);
}

TEST(UsersOwnFolder, OnlyAPathNoOtherUserCanChangeIsTheUsersOwn)
{
    const folder_case cases[] = {
        {"a folder of the user's", "mine", [](const std::string& in) { folder(in + "mine", 0755); }, true, ""},
        {"one reached through a link", "link",
         [](const std::string& in) { folder(in + "mine", 0755), ::symlink("mine", (in + "link").c_str()); }, true, ""},
        {"one its group may write", "group", [](const std::string& in) { folder(in + "group", 0775); }, false,
         "group/ may be written by others"},
        {"one anyone may write, sticky as /tmp/", "sticky", [](const std::string& in) { folder(in + "sticky", 01777); },
         false, "sticky/ may be written by others"},
        {"a folder of the user's in a sticky one", "sticky/mine",
         [](const std::string& in) { folder(in + "sticky", 01777), folder(in + "sticky/mine", 0700); }, true, ""},
        {"a folder of the user's in one anyone may write", "open/mine",
         [](const std::string& in) { folder(in + "open", 0777), folder(in + "open/mine", 0700); }, false,
         "open/ may be written by others"},
        {"/tmp/", "/tmp/", [](const std::string&) {}, false, "/tmp/ may be written by others"},
        {"nothing", "none", [](const std::string&) {}, false, std::strerror(ENOENT)},
    };
    scratch_dir dir;
    for (const folder_case& c : cases) expect_folder_case(c, dir.path());
}

TEST(UsersOwnFolder, AFolderOfAnotherUsersIsNotOwnNorIsAnythingInIt)
{
    if (::geteuid() != 0) GTEST_SKIP() << "making a folder of another user's needs root";
    const auto others = [](const std::string& in) {
        folder(in + "theirs", 0755);
        folder(in + "theirs/mine", 0700);
        ::chown((in + "theirs").c_str(), kOtherUser, kOtherUser);
    };
    scratch_dir dir;
    expect_folder_case({"a folder of another user's", "theirs", others, false, "belongs to user 65534"}, dir.path());
    expect_folder_case({"a folder of the user's in it", "theirs/mine", others, false, "theirs/ belongs to user 65534"},
                       dir.path());
}

// What stands at the name decides; the link's target, the pipe's reader
// and the folder are never touched.
TEST(OpenOwnFile, OpensOnlyARegularFileAtTheNameAndKeepsItToTheUser)
{
    scratch_dir dir;
    write_file(dir / "target.txt", "not the log's");
    write_file(dir / "old.txt", "an earlier run's");
    ::chmod((dir / "old.txt").c_str(), 0644);
    ::symlink((dir / "target.txt").c_str(), (dir / "link.txt").c_str());
    ::mkfifo((dir / "pipe.txt").c_str(), 0666);
    ::mkdir((dir / "folder.txt").c_str(), 0700);
    const struct {
        const char* name;
        int error;  // 0: opened
    } cases[] = {{"new.txt", 0}, {"old.txt", 0}, {"link.txt", ELOOP}, {"pipe.txt", ENXIO}, {"folder.txt", EISDIR}};
    for (const auto& c : cases) {
        errno = 0;
        const int fd = open_own_file(dir / c.name, O_TRUNC);
        EXPECT_EQ(fd < 0 ? errno : 0, c.error) << c.name;
        if (fd < 0) continue;
        struct stat st;
        EXPECT_TRUE(::fstat(fd, &st) == 0 && (st.st_mode & 0777) == 0600) << c.name << " is readable by others";
        EXPECT_EQ(st.st_size, 0) << c.name;
        ::close(fd);
    }
    EXPECT_EQ(read_file(dir / "target.txt"), "not the log's");
}

}  // namespace
