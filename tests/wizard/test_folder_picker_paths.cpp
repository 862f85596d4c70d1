// The folder picker's path staircase and result, without a window.
#include <gtest/gtest.h>

#include "widgets/folder_picker.h"

namespace {

TEST(FolderPickerPaths, LevelsOfAFolderAndThePopUpItems)
{
    const picker_path_levels p = picker_levels("/home/pilot/");
    ASSERT_EQ(p.levels.size(), 3u);
    EXPECT_EQ(p.levels[0], "/");
    EXPECT_EQ(p.levels[1], "/home/");
    EXPECT_EQ(p.levels[2], "/home/pilot/");
    EXPECT_EQ(p.popup_items, "/-home-pilot");
}

TEST(FolderPickerPaths, RootHasOneItem)
{
    const picker_path_levels p = picker_levels("/");
    ASSERT_EQ(p.levels.size(), 1u);
    EXPECT_EQ(p.popup_items, "/");
}

TEST(FolderPickerPaths, DashesShowAsBlanksAndBarsAsBrokenBarsButPathsKeepThem)
{
    const picker_path_levels p = picker_levels("/my-sim/a|b/");
    ASSERT_EQ(p.levels.size(), 3u);
    EXPECT_EQ(p.shown[1], "my sim");
    EXPECT_EQ(p.levels[1], "/my-sim/");
    EXPECT_EQ(p.popup_items.find('|'), std::string::npos) << p.popup_items;
    EXPECT_EQ(p.levels[2], "/my-sim/a|b/");
}

TEST(FolderPickerPaths, AVeryDeepPathKeepsWithinThreeHundredLevels)
{
    std::string deep = "/";
    for (int i = 0; i < 400; ++i) deep += "d/";
    const picker_path_levels p = picker_levels(deep);
    EXPECT_EQ(p.levels.size(), 300u);
    EXPECT_EQ(p.levels.back(), deep);
}

TEST(FolderPickerPaths, ResultIsTheSelectedSubfolderOrTheFolderItself)
{
    const std::vector<std::string> names = {"a", "b", "c"};
    const std::vector<int> types = {1, 1, 1};
    EXPECT_EQ(picker_result("/home/", names, types, 1), "/home/b/");
    EXPECT_EQ(picker_result("//home/", names, types, 1), "/home/b/");
    EXPECT_EQ(picker_result("/home/", {}, {}, 0), "/home/");
    EXPECT_EQ(picker_result("/home/", names, types, 3), "/home/");
}

}  // namespace
