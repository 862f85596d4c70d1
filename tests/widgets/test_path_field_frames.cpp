// The path and file fields frame by frame: what the field shows, typing,
// the browse button (the chooser it opens ends at once: the program is
// closing) and the char-array rules.
#include <cstring>

#include "core/shell_hooks.h"
#include "field_frames.h"
#include "widgets/path_fields.h"

namespace {

class PathFieldFrames : public field_frames {
protected:
    // A click on the browse button of a field at (x, y); the chooser it
    // opens sees the program closing and cancels.
    void browse_click(float x, float y)
    {
        frame_at(x - 17, y + 3, 1);
        app_done = 1;
    }
    // Focus a field at (x, y) by a click into its text box.
    void focus(float x, float y) { frame_at(x + 2, y + 2, 1); }
};

TEST_F(PathFieldFrames, TypingReplacesThePathByTheFieldsTextAndABrowseClickReturnsOne)
{
    std::string path = "Output/movies/take.smo";
    focus(100, 50);
    EXPECT_EQ(BTN_select_path_stl(100, 50, 998, 10, &path, 60, "Movie|", 200, 0), 0);
    press('x');
    idle();
    BTN_select_path_stl(100, 50, 998, 10, &path, 60, "Movie|", 200, 0);
    EXPECT_EQ(path, "xtake.smo") << "the field showed the name only; the folder is gone";

    path = "Output/movies/take.smo";
    frame_at(100 - 27, 50 - 7, 0);
    EXPECT_EQ(BTN_select_path_stl(100, 50, 998, 10, &path, 60, "Movie{ Pick a movie", 200, 0), 0);
    EXPECT_EQ(stls.hover_help, "Pick a movie") << "the browse button's help";
    browse_click(100, 50);
    EXPECT_EQ(BTN_select_path_stl(100, 50, 998, 10, &path, 60, "Movie{ Pick a movie", 200, 0), 1);
    EXPECT_EQ(path, "Output/movies/take.smo") << "a cancelled chooser leaves the path";
    EXPECT_EQ(alerts.first_lines(), std::vector<std::string>{});
}

TEST_F(PathFieldFrames, CommandKindsShowAndEditTheWholePath)
{
    std::string path = "sim/view/left";
    focus(100, 50);
    BTN_select_path_stl(100, 50, 998, 21, &path, 60, "", 200, 0);
    press('s');
    idle();
    BTN_select_path_stl(100, 50, 998, 21, &path, 60, "", 200, 0);
    EXPECT_EQ(path, "ssim/view/left") << "typed before the whole path, folders and all";
}

TEST_F(PathFieldFrames, TheCharFormKeepsMaxLenLessOneCharacters)
{
    char path[40] = "abcdefghijklmno";
    idle();
    EXPECT_EQ(BTN_select_path_chr(100, 50, 998, 0, path, 10, "", 200, 0), 0);
    EXPECT_STREQ(path, "abcdefghi");
    char empty[10] = "";
    BTN_select_path_chr(100, 80, 998, 0, empty, 10, "", 200, 0);
    EXPECT_STREQ(empty, "");
}

TEST_F(PathFieldFrames, TheFileFormBuildsItsPathFromFolderAndName)
{
    char name[40] = "notes.txt";
    std::string folder;
    browse_click(100, 50);
    EXPECT_EQ(BTN_select_file_chr(100, 50, 999, 19, name, &folder, 40, "", 200), 1);
    EXPECT_EQ(folder, "notes.txt") << "an empty folder: the name alone";

    folder = "Output/old.txt";
    browse_click(100, 50);
    BTN_select_file_chr(100, 50, 999, 19, name, &folder, 40, "", 200);
    EXPECT_EQ(folder, "Output/notes.txt") << "the old folder part and the name";
    EXPECT_STREQ(name, "notes.txt");

    // The field took the focus by itself; what is typed makes the new name.
    app_done = 0;
    idle();
    BTN_select_file_chr(100, 50, 999, 19, name, &folder, 40, "", 200);
    press('a');
    idle();
    BTN_select_file_chr(100, 50, 999, 19, name, &folder, 40, "", 200);
    EXPECT_STREQ(name, "anotes.txt");
    EXPECT_EQ(folder, "Output/notes.txt") << "the folder is written only by the browse button";
}

TEST_F(PathFieldFrames, BadArgumentsAreFatalAndNameTheWidget)
{
    std::string path;
    char chars[10] = "";
    BTN_select_path_stl(100, 50, 1, 0, &path, 60, "", 200, 0);
    BTN_select_path_stl(100, 50, 998, 22, &path, 60, "", 200, 0);
    BTN_select_path_chr(100, 50, 997, 0, chars, 10, "", 200, 0);
    BTN_select_file_chr(100, 50, 999, -1, chars, &path, 10, "", 200);
    EXPECT_EQ(alerts.first_lines(), (std::vector<std::string>{"Bad open_save arg to BTN_select_file_stl!",
                                                "Bad file_type arg to BTN_select_file_stl!",
                                                "Bad open_save arg to BTN_select_file_chr!",
                                                "Bad file_type arg to BTN_select_file_chr!"}));
}

}  // namespace
