#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "alert_recorder.h"
#include "core/files/folder_listing.h"
#include "core/shell_hooks.h"
#include "test_support.h"

using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

struct listing {
    std::vector<std::string> names;
    std::vector<int> types;
    int count = -1;
};

listing list(const std::string& path, int type)
{
    listing l;
    l.count = opensave_getitems(path, type, l.names, l.types);
    return l;
}

using names_t = std::vector<std::string>;
using types_t = std::vector<int>;

}  // namespace

TEST(FolderListing, KeepsWantedSuffixAndFoldersSortedWithoutCaseAndHidesDotNames)
{
    scratch_dir dir;
    write_file(dir / "Output/b.txt", "");
    write_file(dir / "Output/A.TXT", "");
    write_file(dir / "Output/.hidden", "");
    write_file(dir / "Output/pic.png", "");
    write_file(dir / "Output/plain", "");
    ::mkdir((dir / "Output/c").c_str(), 0755);

    listing text = list(dir / "Output/", kFileTypeText);
    EXPECT_EQ(text.count, 3);
    EXPECT_EQ(text.names, (names_t{"A.TXT", "b.txt", "c"}));
    EXPECT_EQ(text.types, (types_t{19, 19, 1}));

    listing folders = list(dir / "Output/", kFileTypeFolder);
    EXPECT_EQ(folders.names, (names_t{"c"}));

    listing all = list(dir / "Output/", kFileTypeAny);
    EXPECT_EQ(all.names, (names_t{"A.TXT", "b.txt", "c", "pic.png", "plain"}));
    EXPECT_EQ(all.types, (types_t{19, 19, 1, 2, 0}));
}

TEST(FolderListing, SuffixBeatsTheFolderFlagAndCaseOfTheSuffixDoesNotMatter)
{
    scratch_dir dir;
    ::mkdir((dir / "scenery.dsf").c_str(), 0755);
    write_file(dir / "a.Png", "");
    write_file(dir / "b.bMp", "");
    write_file(dir / "png", "") ;
    listing all = list(dir.path(), kFileTypeAny);
    EXPECT_EQ(all.names, (names_t{"a.Png", "b.bMp", "png", "scenery.dsf"}));
    EXPECT_EQ(all.types, (types_t{2, 2, 0, 17})) << "a folder named like a file gets its suffix's type";
}

TEST(FolderListing, SortsNonAsciiBeforeAsciiAndCaseVariantsByTheExchangeProcedure)
{
    scratch_dir dir;
    // Created in this order, but readdir's order is the file system's: the
    // procedure must give one answer whatever it is, for names that do not
    // compare equal.
    for (const char* name : {"a", "\xC3\xA9", "b", "ab"}) write_file(dir / name, "");
    listing all = list(dir.path(), kFileTypeAny);
    EXPECT_EQ(all.names, (names_t{"\xC3\xA9", "a", "ab", "b"}))
        << "bytes from 0x80 are negative and sort first; a leading part sorts first";
}

TEST(FolderListing, NamesDifferingOnlyInCaseBothAppear)
{
    scratch_dir dir;
    write_file(dir / "a", "");
    write_file(dir / "A", "");
    listing all = list(dir.path(), kFileTypeAny);
    ASSERT_EQ(all.count, 2);
    EXPECT_TRUE((all.names == names_t{"a", "A"}) || (all.names == names_t{"A", "a"}));
}

TEST(FolderListingSort, ASmallerNameArrivingAfterCaseVariantsRotatesThem)
{
    // Equal keys are never exchanged, but a smaller name carried through
    // them moves the first of the pair behind the second.
    names_t names{"b", "B", "a"};
    types_t types{1, 2, 3};
    opensave_sort(names, types);
    EXPECT_EQ(names, (names_t{"a", "B", "b"}));
    EXPECT_EQ(types, (types_t{3, 2, 1})) << "types travel with their names";

    names = {"Zed", "zed", "ZED"};
    types = {1, 2, 3};
    opensave_sort(names, types);
    EXPECT_EQ(names, (names_t{"Zed", "zed", "ZED"})) << "all equal: nothing moves";
}

// The exchange procedure as the listing once ran it, one comparison for
// every pair of names: what the sort must leave, names equal but for their
// letter case included.
void sort_by_exchanges(names_t& names, types_t& types)
{
    std::vector<std::vector<signed char>> keys;
    for (const std::string& name : names) {
        keys.emplace_back(name.begin(), name.end());
        for (signed char& c : keys.back()) c = static_cast<signed char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (keys[i] < keys[j]) {
                std::swap(keys[i], keys[j]);
                std::swap(names[i], names[j]);
                std::swap(types[i], types[j]);
            }
}

TEST(FolderListingSort, LeavesWhatTheExchangeProcedureLeavesForAnyListing)
{
    const struct {
        const char* what;
        size_t names;
        const char* letters;
        size_t longest;
    } rows[] = {
        {"a few names, most differing only in case", 12, "aAbB", 2},
        {"many names, a run of each in every case", 600, "aAbBcC", 3},
        {"one name in many cases", 500, "xX", 9},
        {"ordinary names beside bytes past 0x7f", 1000, "aZ_\x80\xff" "09", 6},
    };
    std::mt19937 random(89);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string letters = row.letters;
        for (int round = 0; round < 10; ++round) {
            names_t names(random() % (row.names + 1));
            types_t types(names.size());
            for (size_t i = 0; i < names.size(); ++i) {
                for (size_t length = random() % (row.longest + 1); length > 0; --length)
                    names[i] += letters[random() % letters.size()];
                types[i] = static_cast<int>(i);
            }
            names_t want = names;
            types_t want_types = types;
            sort_by_exchanges(want, want_types);
            opensave_sort(names, types);
            ASSERT_EQ(names, want);
            ASSERT_EQ(types, want_types);
        }
    }
}

TEST(FolderListing, PanelListingHidesThePanelFolderAndNumberedLayers)
{
    scratch_dir dir;
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::string cockpit = "Resources/bitmaps/cockpit/";
    for (const char* name : {"panel-1.png", "panel-4.bmp", "panel-5.png", "panel.png", "notes.txt"})
        write_file(dir / cockpit + name, "");
    write_file(dir / cockpit + "-panels-/inner.png", "");
    ::mkdir((dir / cockpit + "sub").c_str(), 0755);

    listing panels = list(cockpit, kFileTypePanel);
    EXPECT_EQ(panels.names, (names_t{"panel-5.png", "panel.png", "sub"}));
    EXPECT_EQ(panels.types, (types_t{2, 2, 1}));
    EXPECT_EQ(list(cockpit + "-panels-/", kFileTypePanel).count, 0);
    ASSERT_EQ(::chdir("/"), 0);
}

TEST(FolderListing, MissingFolderDanglingLinksAndTheEmptyPathListNothing)
{
    scratch_dir dir;
    ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (dir / "dangling").c_str()), 0);
    write_file(dir / "kept", "");
    EXPECT_EQ(list(dir.path(), kFileTypeAny).names, (names_t{"kept"}));
    EXPECT_EQ(list(dir / "missing/", kFileTypeAny).count, 0);
    // Relative paths are the program's folder's, the folder the program
    // runs in; the empty path names none, so that no caller walks or
    // deletes that folder by mistake.
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    EXPECT_EQ(list("./", kFileTypeAny).names, (names_t{"kept"}));
    EXPECT_EQ(list("", kFileTypeAny).count, 0);
    ASSERT_EQ(::chdir("/"), 0);
}

TEST(FolderListingDeathTest, APathWithoutTrailingSlashIsAFatalProgrammingError)
{
    scratch_dir dir;
    std::vector<std::string> names;
    std::vector<int> types;
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(opensave_getitems(dir / "noslash", 0, names, types)),
                 "alert 2: Working path does not appear to be a directory!.*noslash");
}

namespace {
void fake_registry(const std::string& prefix, std::vector<std::string>& out)
{
    EXPECT_EQ(prefix, "sim/");
    out = {"view/", "quit", "flight/", "pause"};
}
}  // namespace

TEST(FolderListing, CommandListingsComeFromTheRegistryUnsortedWithGroupsAsFolders)
{
    listing none = list("sim/", kFileTypeCommands);
    EXPECT_EQ(none.count, 0) << "no registry installed";

    set_command_registry_hooks({nullptr, fake_registry});
    listing cmds = list("sim/", kFileTypeCommands);
    listing empty = list("sim/", kFileTypeNoCommands);
    set_command_registry_hooks({nullptr, nullptr});

    EXPECT_EQ(cmds.names, (names_t{"view", "quit", "flight", "pause"}));
    EXPECT_EQ(cmds.types, (types_t{1, 21, 1, 21}));
    EXPECT_EQ(empty.count, 0);
}
