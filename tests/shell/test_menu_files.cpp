// Menus read from the menu file of the interface language.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alert_recorder.h"
#include "shell/menu_files.h"
#include "shell/menu_model.h"
#include "shell/mnw_state.h"
#include "test_support.h"

using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

class menu_files : public ::testing::Test {
protected:
    void SetUp() override
    {
        mnw.screen_height = 600;
        mnw.language = 0;
        MACIBM_clear_menus(1);
    }
    void TearDown() override { mnw.language = 0; }
    const std::vector<testing_support::recorded_alert>& alerts() const { return alerts_.alerts(); }
    // Writes the file for the current language and reads it.
    void read(const std::string& body, const std::string& header = "I\n1\n")
    {
        const char* folder = mnw.language == 1 ? "French/" : "English/";
        write_file(dir / "menus/" + folder + "test.txt", header + body);
        MACIBM_read_menus(dir.path(), "test.txt");
    }
    static const menu_struct& m(int n) { return menu[static_cast<size_t>(n)]; }
    static std::string item(int n, int i) { return m(n).items.at(static_cast<size_t>(i)).text; }
    static int command(int n, int i) { return m(n).items.at(static_cast<size_t>(i)).command; }

    scratch_dir dir;
    testing_support::alert_recorder alerts_;
};

TEST_F(menu_files, IndentedFileWithEmptyLinesReadsAsTheCompactOne)
{
    read("0 File\n101 Open...\n102 Quit\n-\n0 Edit\n201 Undo\n-\n");
    const menu_struct file = m(0), edit = m(1);
    MACIBM_clear_menus(1);
    read("\n\n   0 File\n\t\t101 Open...\r\n   \t 102 Quit\n\n-\n\n\n  0 Edit\n  201 Undo\n  -\n\n");
    EXPECT_EQ(m(0).title, file.title);
    EXPECT_EQ(m(1).title, edit.title);
    ASSERT_EQ(m(0).items.size(), 2u);
    EXPECT_EQ(item(0, 0), "Open...");
    EXPECT_EQ(command(0, 1), 102);
    EXPECT_EQ(item(1, 0), "Undo");
    EXPECT_EQ(m(1).left, edit.left) << "the second bar menu follows the first";
    EXPECT_TRUE(alerts().empty());
}

TEST_F(menu_files, SplitsAtTheFirstBlankAndKeepsTheRestOfTheLine)
{
    read("0 File\n  12   Save as\n7\tTabbed text\n3 Trailing  \n-\n");
    EXPECT_EQ(command(0, 0), 12);
    EXPECT_EQ(item(0, 0), "Save as");
    EXPECT_EQ(command(0, 1), -1) << "a tab does not split: \"7\\tTabbed\" is no number";
    EXPECT_EQ(item(0, 1), "text");
    EXPECT_EQ(item(0, 2), "Trailing  ");
}

TEST_F(menu_files, AFileEndingInsideAMenuKeepsWhatItRead)
{
    read("0 File\n101 Open\n-\n0 View\n301 Zoom\n302 Pan");
    EXPECT_EQ(m(1).title, "View");
    ASSERT_EQ(m(1).items.size(), 2u);
    EXPECT_EQ(item(1, 1), "Pan");
    EXPECT_TRUE(m(2).title.empty());
}

TEST_F(menu_files, MenusAndItemsTheFileDoesNotReachKeepWhatTheyHeld)
{
    MACIBM_create_menu(0, 0, "Old");
    MACIBM_append_menu(0, 0, 5, "Kept?");
    MACIBM_append_menu(0, 1, 6, "Kept");
    MACIBM_create_menu(1, 0, "Untouched");
    read("");
    EXPECT_EQ(m(0).title, "Old") << "a file holding only its header changes nothing";
    read("0 New\n7 Replaced\n-\n");
    EXPECT_EQ(m(0).title, "New");
    EXPECT_EQ(item(0, 0), "Replaced");
    EXPECT_EQ(item(0, 1), "Kept");
    EXPECT_EQ(m(1).title, "Untouched");
}

TEST_F(menu_files, SubmenuLinesOpenFromTheItemTheirPlaceNames)
{
    read("0 File\n101 Recent\n102 Quit\n-\n1 Recent files\n501 One\n-\n");
    EXPECT_EQ(m(1).parent, 0) << "place 1 is item 1 of menu 0";
    EXPECT_EQ(m(1).top, m(0).items[1].top);
}

TEST_F(menu_files, TheLanguageChoosesTheFolder)
{
    mnw.language = 1;
    read("0 Fichier\n101 Ouvrir\n-\n");
    EXPECT_EQ(m(0).title, "Fichier");
    mnw.language = -1;
    read("0 File\n-\n");
    EXPECT_EQ(m(0).title, "File") << "no language settled yet: English";
    EXPECT_TRUE(alerts().empty());
}

TEST_F(menu_files, BadLinesGiveMinusOneOrEmptyTextsAndNeverLeaveTheTable)
{
    const std::string huge_number(600, '7');
    read("-\n-\n0 File\n" + huge_number + " Huge\n12345678901 Overflow\nNoBlankHere\n+5 Plus\n" +
         "-3 Minus\n1-2 Inner sign\n" + std::string("4 Nul") + '\0' + "after\n-\n0\n-\n");
    EXPECT_EQ(m(0).title, "File") << "stray closes where a menu should begin open none";
    EXPECT_EQ(command(0, 0), -1);
    EXPECT_EQ(item(0, 0), "Huge");
    EXPECT_EQ(command(0, 1), -1) << "a number too large for an int";
    EXPECT_EQ(command(0, 2), -1);
    EXPECT_EQ(item(0, 2), "");
    EXPECT_EQ(command(0, 3), 5);
    EXPECT_EQ(command(0, 4), -3);
    EXPECT_EQ(command(0, 5), -1);
    EXPECT_EQ(item(0, 6), "Nul") << "a NUL ends the line";
    EXPECT_EQ(command(0, 7), -1) << "what follows the NUL is a line of its own";
    EXPECT_EQ(m(1).title, "") << "a menu line without a title";
    EXPECT_TRUE(alerts().empty());
}

TEST_F(menu_files, TheModelsOwnLimitsStillAlert)
{
    std::string body = "0 Long\n";
    for (int i = 0; i < 301; ++i) body += "1 x\n";
    read(body + "-\n");
    ASSERT_FALSE(alerts().empty());
    EXPECT_EQ(alerts()[0].line1, "Item index out of range in append_menu!");
    EXPECT_EQ(m(0).items.size(), 300u);
}

TEST_F(menu_files, AMissingOrRefusedFileIsFatalAndNamesItsPath)
{
    MACIBM_read_menus(dir.path(), "none.txt");
    read("0 File\n-\n", "I\n2\n");
    read("0 File\n-\n", "X\n1\n");
    read("", "");
    ASSERT_EQ(alerts().size(), 4u);
    for (const testing_support::recorded_alert& a : alerts()) {
        EXPECT_EQ(a.level, 2);
        EXPECT_EQ(a.line1, "Cannot open file!");
        EXPECT_EQ(a.line3, "Trash this copy and re-install Nimbrel.");
        EXPECT_EQ(a.line4, "");
    }
    EXPECT_EQ(alerts()[0].line2, dir / "menus/English/none.txt");
    EXPECT_EQ(alerts()[1].line2, dir / "menus/English/test.txt");
    EXPECT_TRUE(m(0).title.empty());
}

TEST(MenuLineSplit, NumberTextAndTheirAbsence)
{
    EXPECT_EQ(split_menu_line("12 Save").number, 12);
    EXPECT_EQ(split_menu_line("12 Save").text, "Save");
    EXPECT_EQ(split_menu_line("12").number, 12);
    EXPECT_EQ(split_menu_line("12").text, "");
    EXPECT_EQ(split_menu_line("12   ").text, "");
    EXPECT_EQ(split_menu_line("").number, -1);
    EXPECT_EQ(split_menu_line(" x").number, -1);
    EXPECT_EQ(split_menu_line(" x").text, "x");
}

}  // namespace
