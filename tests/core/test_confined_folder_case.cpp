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
    write_file(dir / "Sub/X.TXT", "capitals");
    confined_folder root;
    ASSERT_EQ(root.open(dir.path(), true), 0);
    std::vector<std::string> twins;  // in the order the folder lists them
    ASSERT_EQ(root.list("Sub", twins), 0);
    ASSERT_EQ(twins.size(), 3u);
    auto remove = [&root](const std::string& name) {
        placed_name at;
        ASSERT_EQ(root.place(name, at), 0);
        ASSERT_EQ(at.remove(false), 0);
    };

    EXPECT_EQ(make_file(root, "Sub/x.TXT"), "Sub/" + twins[0]);
    remove("Sub/" + twins[0]);
    ASSERT_TRUE(file_exists(dir / ("Sub/" + twins[1])));
    EXPECT_EQ(make_file(root, "sub/x.TXT"), "Sub/" + twins[1]);
    remove("Sub/" + twins[2]);
    EXPECT_EQ(make_file(root, "Sub/x.TXT"), "Sub/" + twins[1]) << "the twin that answers stays";
    remove("Sub/" + twins[1]);
    EXPECT_EQ(make_file(root, "Sub/x.TXT"), "Sub/x.TXT") << "no twin is left";
    EXPECT_EQ(root.folders_listed(), 2) << "the top for \"sub\", \"Sub\" once: no removal lists it again";

    // A removal that finds nothing forgets the name all the same.
    ASSERT_EQ(::unlink((dir / "Sub/x.TXT").c_str()), 0);
    placed_name at;
    ASSERT_EQ(root.place("Sub/x.TXT", at), 0);
    EXPECT_EQ(at.remove(false), ENOENT);
    EXPECT_EQ(make_file(root, "Sub/X.txt"), "Sub/X.txt");

    ASSERT_EQ(root.place("Gone", at), 0);
    ASSERT_EQ(at.make_folder(), 0);
    ASSERT_EQ(at.remove(true), 0);
    write_file(dir / "gone/made-elsewhere", "y");
    EXPECT_EQ(make_file(root, "Gone/made-elsewhere"), "gone/made-elsewhere")
        << "a removed folder is not remembered as empty";
    EXPECT_EQ(root.folders_listed(), 3) << "the top again, as \"Gone\" was not where it knew it";
}

// An update of a large folder: files go and new ones come, in turn as a
// manifest sorted by path puts them, or every deletion first.  The folder
// is listed once whatever the order, and its index still answers for the
// names left, removed and made.
TEST(ConfinedFolderCase, AFolderIsListedOnceWhicheverOrderFilesGoAndComeIn)
{
    constexpr int kFiles = 100;
    for (const bool in_turn : {true, false}) {
        SCOPED_TRACE(in_turn ? "deletions and new names in turn" : "every deletion first");
        scratch_dir dir;
        for (int i = 0; i < kFiles; ++i) write_file(dir / ("Flat/Old" + std::to_string(i)), "x");
        confined_folder root;
        ASSERT_EQ(root.open(dir.path(), true), 0);
        for (int i = 0; i < kFiles; ++i) {
            if (i < kFiles / 2) {
                placed_name at;
                ASSERT_EQ(root.place("Flat/Old" + std::to_string(i), at), 0);
                ASSERT_EQ(at.remove(false), 0);
            }
            if (in_turn ? i < kFiles / 2 : i >= kFiles / 2) make_file(root, "Flat/new" + std::to_string(i));
        }
        EXPECT_EQ(root.folders_listed(), 1);
        EXPECT_EQ(make_file(root, "Flat/OLD0"), "Flat/OLD0") << "a removed name is made as written";
        EXPECT_EQ(make_file(root, "Flat/old99"), "Flat/Old99");
        const std::string made = std::to_string(in_turn ? 7 : 57);
        EXPECT_EQ(make_file(root, "Flat/NEW" + made), "Flat/new" + made);
        EXPECT_EQ(root.folders_listed(), 1);
    }
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
