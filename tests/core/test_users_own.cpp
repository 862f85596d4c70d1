// Folders no other user can change, and the files of the program's own
// opened by fixed names in them: what stands at such a name beforehand is
// never written through, waited on or shared.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/files/users_own.h"
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
    bool needs_root = false;
};

TEST(UsersOwnFolder, OnlyAPathNoOtherUserCanChangeIsTheUsersOwn)
{
    const folder_case cases[] = {
        {"a folder of the user's", "mkdir -m 755 a", "a", ""},
        {"one reached through a link", "mkdir -m 755 a && ln -s a link", "link", ""},
        {"one its group may write", "mkdir -m 775 a", "a", "a/ may be written by others"},
        {"one anyone may write, sticky as /tmp/", "mkdir -m 1777 a", "a", "a/ may be written by others"},
        {"a folder of the user's in a sticky one", "mkdir -m 1777 a && mkdir -m 700 a/b", "a/b", ""},
        {"a folder of the user's in one anyone may write", "mkdir -m 777 a && mkdir -m 700 a/b", "a/b",
         "a/ may be written by others"},
        {"/tmp/", "", "/tmp/", "/tmp/ may be written by others"},
        {"nothing", "", "a", std::strerror(ENOENT)},
        {"a folder of another user's", "mkdir -m 755 a && chown 65534 a", "a", "a/ belongs to user 65534", true},
        {"the user's in another user's", "mkdir -m 755 a a/b && chown 65534 a", "a/b", "a/ belongs to user 65534", true},
    };
    for (const folder_case& c : cases) {
        if (c.needs_root && ::geteuid() != 0) continue;  // a folder of another user's needs root to make
        scratch_dir dir;
        ASSERT_EQ(run_shell(std::string("cd '") + dir.path() + "' && true " + (*c.make ? "&& " : "") + c.make).status, 0);
        std::string resolved, why;
        const bool own = users_own_folder(c.folder[0] == '/' ? c.folder : dir / c.folder, resolved, why);
        EXPECT_EQ(own, !*c.why) << c.what << ": " << why;
        EXPECT_TRUE(own ? resolved == dir / "a/" || resolved == dir / "a/b/" : why.find(c.why) != std::string::npos)
            << c.what << ": " << resolved << why;
    }
}

// What stands at the name decides; a link's target, a pipe and a folder
// are never touched, and the file opened is the user's alone.
TEST(OpenOwnFile, OpensOnlyARegularFileAtTheNameAndKeepsItToTheUser)
{
    scratch_dir dir;
    ASSERT_EQ(run_shell("cd '" + dir.path() + "' && echo theirs >target && echo earlier >old && chmod 644 old && "
                        "ln -s target link && mkfifo pipe && mkdir folder").status, 0);
    const struct {
        const char* name;
        int error;  // 0: opened
    } cases[] = {{"new", 0}, {"old", 0}, {"link", ELOOP}, {"pipe", ENXIO}, {"folder", EISDIR}};
    for (const auto& c : cases) {
        errno = 0;
        const int fd = open_own_file(dir / c.name, O_TRUNC);
        EXPECT_EQ(fd < 0 ? errno : 0, c.error) << c.name;
        struct stat st;
        if (fd < 0) continue;
        EXPECT_TRUE(::fstat(fd, &st) == 0 && (st.st_mode & 0777) == 0600 && st.st_size == 0) << c.name;
        ::close(fd);
    }
    EXPECT_EQ(read_file(dir / "target"), "theirs\n");
}

}  // namespace
