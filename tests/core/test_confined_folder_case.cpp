// The letter-case correction of a confined folder: what it costs (folders
// listed) and what it answers as the folder changes under it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "core/files/confined_folder.h"
#include "hostile_texts.h"
#include "test_support.h"

using testing_support::file_exists;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

// Places `name` and makes it a file; the name as placed.
std::string make_file(const confined_folder& root, const std::string& name)
{
    placed_name at;
    EXPECT_EQ(root.place(name, at), 0) << name;
    std::string temp;
    int fd = at.create_beside(&temp);
    EXPECT_GE(fd, 0) << name;
    if (fd >= 0) ::close(fd);
    EXPECT_EQ(at.commit(temp, 0), 0) << name;
    return at.relative();
}

}  // namespace

TEST(ConfinedFolderCase, NamesThatExistAndNewFilesInAFolderMadeHereListNothing)
{
    scratch_dir dir;
    write_file(dir / "Data/Sub/a.txt", "a");
    confined_folder root;
    ASSERT_EQ(root.open(dir.path(), true), 0);

    placed_name at;
    ASSERT_EQ(root.place("Data/Sub/a.txt", at), 0);
    EXPECT_EQ(root.folders_listed(), 0) << "every component exists as written";

    ASSERT_EQ(root.place("Data/New", at), 0);
    ASSERT_EQ(at.make_folder(), 0);
    const int before = root.folders_listed();
    for (int i = 0; i < 200; ++i) make_file(root, "Data/New/file" + std::to_string(i));
    EXPECT_EQ(root.folders_listed(), before) << "the new folder is known empty";
    EXPECT_EQ(make_file(root, "data/new/FILE7"), "Data/New/file7") << "and knows what was made in it";
}

TEST(ConfinedFolderCase, AFolderIsListedOnceHoweverManyNamesAreMissingInIt)
{
    scratch_dir dir;
    for (int i = 0; i < 50; ++i) write_file(dir / ("Many/Old" + std::to_string(i)), "x");
    confined_folder root;
    ASSERT_EQ(root.open(dir.path(), true), 0);

    for (int i = 0; i < 100; ++i) make_file(root, "Many/new" + std::to_string(i));
    EXPECT_EQ(root.folders_listed(), 1);
    EXPECT_EQ(make_file(root, "many/OLD3"), "Many/Old3");
    EXPECT_EQ(make_file(root, "Many/NEW9"), "Many/new9");
    EXPECT_EQ(root.folders_listed(), 2) << "\"many\" was missing at the top once";

    // A new open starts over: another extraction may find the disk changed.
    ASSERT_EQ(root.open(dir.path(), true), 0);
    EXPECT_EQ(root.folders_listed(), 0);
}

TEST(ConfinedFolderCase, ARemovedNameIsForgottenAndItsTwinAnswersInstead)
{
    scratch_dir dir;
    write_file(dir / "Sub/x.txt", "lower");
    write_file(dir / "Sub/X.txt", "upper");
    confined_folder root;
    ASSERT_EQ(root.open(dir.path(), true), 0);

    const std::string first = make_file(root, "Sub/x.TXT");  // whichever the folder lists first
    placed_name at;
    ASSERT_EQ(root.place(first, at), 0);
    ASSERT_EQ(at.remove(false), 0);
    const std::string other = first == "Sub/x.txt" ? "Sub/X.txt" : "Sub/x.txt";
    ASSERT_TRUE(file_exists(dir / other));
    EXPECT_EQ(make_file(root, "sub/x.TXT"), other);

    ASSERT_EQ(root.place("Gone", at), 0);
    ASSERT_EQ(at.make_folder(), 0);
    ASSERT_EQ(at.remove(true), 0);
    write_file(dir / "gone/made-elsewhere", "y");
    EXPECT_EQ(make_file(root, "Gone/made-elsewhere"), "gone/made-elsewhere")
        << "a removed folder is not remembered as empty";
}

TEST(ConfinedFolderCase, AnExactNameWinsOverItsTwinWhateverTheListingOrder)
{
    scratch_dir dir;
    write_file(dir / "Sub/x.txt", "lower");
    write_file(dir / "Sub/X.txt", "upper");
    confined_folder root;
    ASSERT_EQ(root.open(dir.path(), true), 0);

    make_file(root, "Sub/missing");  // the folder is listed from here on
    ASSERT_EQ(root.folders_listed(), 1);
    EXPECT_EQ(make_file(root, "Sub/x.txt"), "Sub/x.txt");
    EXPECT_EQ(make_file(root, "Sub/X.txt"), "Sub/X.txt");
}

// An archive names the files it holds, and a folder of the copy may hold
// what anyone put there: whatever the names, and their folded forms, finding
// each in the index compares it with a few others, not with all.  Half the
// names are on the disk before (listed once, when the first new one is
// missing), half are made here.
TEST(ConfinedFolderCase, TheIndexSpreadsNamesWhateverTheyAre)
{
    constexpr std::size_t kNames = 2000;
    const struct {
        const char* what;
        std::vector<std::string> names;
    } rows[] = {
        {"ordinary names", testing_support::ordinary_texts(kNames, "file_", ".obj")},
        {"names of one library string hash, folded alike",
         testing_support::texts_of_one_library_hash(kNames, "file_", ".obj")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        scratch_dir dir;
        for (std::size_t i = 0; i < kNames / 2; ++i) write_file(dir / ("Objects/" + row.names[i]), "x");
        confined_folder root;
        ASSERT_EQ(root.open(dir.path(), true), 0);
        for (std::size_t i = kNames / 2; i < kNames; ++i) make_file(root, "Objects/" + row.names[i]);
        ASSERT_EQ(root.folders_listed(), 1);
        EXPECT_LE(root.index_comparisons_to_find_each(), 3 * (2 * kNames + 1));
        EXPECT_EQ(make_file(root, "objects/" + row.names[0]), "Objects/" + row.names[0]);
    }
}
