#include <cerrno>
#include <cstdlib>

#include "core/diag/log_stream.h"
#include "fake_browser.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/save_changes_and_links.h"
#include "shell_test_state.h"
#include "test_support.h"

namespace {

using testing_support::read_file;
using testing_support::scratch_dir;

struct dialog_script {
    int frames = 0;
    std::string press;                 // the caption that reports a click
    int press_on_frame = 1;
    std::vector<std::string> captions;  // drawn on the last frame
    std::vector<float> xs;
};
dialog_script& dialog() { static dialog_script s; return s; }

class save_changes : public shell_test {
protected:
    void SetUp() override
    {
        shell_test::SetUp();
        dialog() = dialog_script();
        shell_widget_hooks hooks{};
        hooks.BTN_fillwin = [](int, int) {
            ++dialog().frames;
            dialog().captions.clear();
            dialog().xs.clear();
        };
        hooks.BTN_action = [](float x, float, float, int, int, const std::string& caption,
                              const std::string&) {
            dialog().captions.push_back(caption);
            dialog().xs.push_back(x);
            if (dialog().frames == dialog().press_on_frame && caption == dialog().press) return 1;
            // A window change from outside, as a destroyed X window makes.
            if (dialog().press == "away" && dialog().frames == 2) MACIBM_startwind(0, 0);
            return 0;
        };
        set_shell_widget_hooks(hooks);
    }
};

TEST_F(save_changes, AnswersByItsButtons)
{
    dialog().press = "Save";
    EXPECT_EQ(MACIBM_nuke_alert("plan.txt", 1), 1);
    EXPECT_EQ(mnw.current_window, 0);
    dialog() = dialog_script();
    dialog().press = "Don't Save";
    dialog().press_on_frame = 3;
    EXPECT_EQ(MACIBM_nuke_alert("plan.txt", 1), 2);
    EXPECT_EQ(dialog().frames, 3);
    dialog() = dialog_script();
    dialog().press = "Cancel";
    EXPECT_EQ(MACIBM_nuke_alert("plan.txt", 1), 3);
    EXPECT_EQ(dialog().xs.back(), 300 - 20 - str_dx("Cancel") / 2);
}

TEST_F(save_changes, WithoutCancelTwoButtonsAndAWindowChangeStillAnswersThree)
{
    dialog().press = "away";
    EXPECT_EQ(MACIBM_nuke_alert("", 0), 3);
    EXPECT_EQ(dialog().captions, (std::vector<std::string>{"Save", "Don't Save"}));
    EXPECT_EQ(dialog().xs[0], 20 + str_dx("Save") / 2);
}

class web_links : public ::testing::Test {
protected:
    void SetUp() override { xer.open(dir_ / "log.txt"); }
    void TearDown() override { xer.close(); }
    std::string log()
    {
        xer << std::flush;
        return read_file(dir_ / "log.txt");
    }
    scratch_dir dir_;
    // It ends with 3, which no result may show: nothing waits for it.
    testing_support::fake_browser browser_{3};
};

// The result is the start's, not the browser's exit status: nothing waits
// for the browser.
TEST_F(web_links, OpensTheAddressAsOneArgumentAndLogsTwoLines)
{
    const std::string url = "https://example.test/a?x=1&y='2';rm|cat>~";
    go_to_URL(url);
    EXPECT_EQ(log(), "Opening: " + url + "\nResult: 0\n");
    EXPECT_EQ(browser_.arguments(), url + "\n") << "no shell split or ran anything";
    EXPECT_EQ(browser_.runs(), 1);
}

TEST_F(web_links, ARefusedAddressOrAMissingOpenerIsOnlyLogged)
{
    go_to_URL("http://x/$HOME");
    EXPECT_EQ(log(), "Opening: http://x/$HOME\nNot opening \"http://x/$HOME\": not a plain http "
                     "address.\nResult: " + std::to_string(EINVAL) + "\n");
    setenv("PATH", (dir_ / "nowhere").c_str(), 1);
    go_to_URL("http://x/");
    EXPECT_NE(log().find("Opening: http://x/\nResult: " + std::to_string(ENOENT) + "\n"),
              std::string::npos) << log();
    EXPECT_FALSE(browser_.ran()) << "nothing ran";
}

}  // namespace
