#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/files/folder_trees.h"
#include "test_support.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

bool is_link(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

TEST(RecursiveDelete, RemovesNestedTreeWithFoldersNamedLikeFiles)
{
    scratch_dir dir;
    write_file(dir / "tree/a.txt", "a");
    write_file(dir / "tree/sub/deeper/b.bin", "b");
    write_file(dir / "tree/x.txt/inside.png", "folder named like a text file");
    ::mkdir((dir / "tree/empty").c_str(), 0755);

    EXPECT_EQ(recursive_delete_folder(dir / "tree/"), 0);
    EXPECT_FALSE(file_exists(dir / "tree"));
}

TEST(RecursiveDelete, LinksAreRemovedAsLinksAndNothingOutsideTheTreeIsTouched)
{
    scratch_dir dir;
    write_file(dir / "outside/precious.txt", "keep me");
    write_file(dir / "outside/sub/also.txt", "keep me too");
    write_file(dir / "tree/own.txt", "");
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "tree/to_outside").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "outside/precious.txt").c_str(), (dir / "tree/to_file").c_str()), 0);

    EXPECT_EQ(recursive_delete_folder(dir / "tree/"), 0);
    EXPECT_FALSE(file_exists(dir / "tree"));
    EXPECT_EQ(read_file(dir / "outside/precious.txt"), "keep me") << "deleted through a link";
    EXPECT_EQ(read_file(dir / "outside/sub/also.txt"), "keep me too") << "walked into a link";
}

TEST(RecursiveDelete, HiddenEntriesStayAndStopTheFolderFromGoing)
{
    scratch_dir dir;
    write_file(dir / "tree/.hidden", "");
    write_file(dir / "tree/seen.txt", "");
    EXPECT_EQ(recursive_delete_folder(dir / "tree/"), ENOTEMPTY);
    EXPECT_FALSE(file_exists(dir / "tree/seen.txt"));
    EXPECT_TRUE(file_exists(dir / "tree/.hidden"));

    EXPECT_EQ(recursive_delete_folder(dir / "missing/"), ENOENT);
}

TEST(RecursiveCopy, CopiesFilesTreesAndEmptyFoldersMergingIntoExistingOnes)
{
    scratch_dir dir;
    write_file(dir / "single", "data");
    ::chmod((dir / "single").c_str(), 0750);
    EXPECT_EQ(copy_file_recursive(dir / "single", dir / "single.copy"), 0);
    EXPECT_EQ(read_file(dir / "single.copy"), "data");
    struct stat st;
    ASSERT_EQ(::stat((dir / "single.copy").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u) << "permission bits follow the source";

    ::mkdir((dir / "empty").c_str(), 0755);
    EXPECT_EQ(copy_file_recursive(dir / "empty", dir / "empty.copy"), 0);
    EXPECT_TRUE(file_exists(dir / "empty.copy"));

    write_file(dir / "from/a.txt", "new a");
    write_file(dir / "from/sub/b.txt", "b");
    write_file(dir / "to/a.txt", "old a");
    write_file(dir / "to/mine.txt", "stays");
    EXPECT_EQ(copy_file_recursive(dir / "from", dir / "to"), 0);
    EXPECT_EQ(read_file(dir / "to/a.txt"), "new a");
    EXPECT_EQ(read_file(dir / "to/sub/b.txt"), "b");
    EXPECT_EQ(read_file(dir / "to/mine.txt"), "stays");
}

TEST(RecursiveCopy, FollowsLinksToFilesAndFolders)
{
    scratch_dir dir;
    write_file(dir / "elsewhere/target.txt", "t");
    write_file(dir / "from/real.txt", "r");
    ASSERT_EQ(::symlink((dir / "elsewhere/target.txt").c_str(), (dir / "from/file_link").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "from/folder_link").c_str()), 0);

    EXPECT_EQ(copy_file_recursive(dir / "from", dir / "to"), 0);
    EXPECT_FALSE(is_link(dir / "to/file_link"));
    EXPECT_EQ(read_file(dir / "to/file_link"), "t");
    EXPECT_FALSE(is_link(dir / "to/folder_link"));
    EXPECT_EQ(read_file(dir / "to/folder_link/target.txt"), "t");
}

TEST(RecursiveCopy, ALinkCycleEndsWithELOOPInsteadOfRecursingForever)
{
    scratch_dir dir;
    write_file(dir / "from/sub/file.txt", "f");
    ASSERT_EQ(::symlink("..", (dir / "from/sub/up").c_str()), 0);
    EXPECT_EQ(copy_file_recursive(dir / "from", dir / "to"), ELOOP);
    EXPECT_EQ(read_file(dir / "to/sub/file.txt"), "f") << "entries before the cycle are copied";
}

TEST(RecursiveCopy, CopyingATreeIntoItselfEndsWithELOOP)
{
    scratch_dir dir;
    write_file(dir / "tree/a.txt", "a");
    EXPECT_EQ(copy_file_recursive(dir / "tree", dir / "tree/inner"), ELOOP);
    EXPECT_FALSE(file_exists(dir / "tree/inner/inner"));
    EXPECT_EQ(copy_file_recursive(dir / "tree", dir / "tree"), ELOOP) << "onto itself";
    EXPECT_EQ(read_file(dir / "tree/a.txt"), "a") << "the source survives";
}

// An empty path once listed, and so deleted, the program's folder.  Each
// path that names no folder of its own is refused; "" is asserted first, so
// a deleter that takes it is never handed "/".  Nor does ".." lead it to a
// folder the path does not name.
TEST(RecursiveDelete, APathThatNamesNoFolderOfItsOwnIsRefused)
{
    scratch_dir dir;
    write_file(dir / "program/own.txt", "the program's");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir((dir / "program").c_str()), 0);  // the program's folder
    struct back_to { const char* cwd; ~back_to() { (void)::chdir(cwd); } } back{cwd};
    ASSERT_EQ(recursive_delete_folder(""), EINVAL);
    ASSERT_EQ(read_file("own.txt"), "the program's");
    for (const char* path : {"/", "//", "./", "."}) EXPECT_EQ(remove_folder_tree(path), EINVAL) << path;
    write_file(dir / "program/sub/own.txt", "the program's");
    for (const std::string& path : {dir / "program/sub/..", dir / "program/sub/../", dir / "program/../program/sub"})
        EXPECT_EQ(remove_folder_tree(path), EINVAL) << path;
    EXPECT_EQ(read_file(dir / "program/own.txt"), "the program's");
    EXPECT_EQ(read_file(dir / "program/sub/own.txt"), "the program's");
}
