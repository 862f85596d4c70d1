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
    // It ends with 3, which the log must show.
    testing_support::fake_browser browser_{3};
};

TEST_F(web_links, OpensTheAddressAsOneArgumentAndLogsTwoLines)
{
    const std::string url = "https://example.test/a page?x=1&y='2';rm -rf ~";
    go_to_URL(url);
    EXPECT_EQ(browser_.arguments(), url + "\n") << "no shell split or ran anything";
    EXPECT_EQ(browser_.runs(), 1);
    EXPECT_EQ(log(), "Opening: " + url + "\nResult: " + std::to_string(3 << 8) + "\n");
}

TEST_F(web_links, RefusesAddressesAShellWouldInterpret)
{
    for (const char* url : {"http://x/\"", "http://x/$HOME", "http://x/`id`", "http://x/\\",
                            "http://x/\n", "http://x/\x7f"}) {
        EXPECT_FALSE(URL_is_safe(url)) << url;
        go_to_URL(url);
    }
    EXPECT_FALSE(browser_.ran()) << "nothing ran";
    EXPECT_NE(log().find("Refused"), std::string::npos);
    EXPECT_TRUE(URL_is_safe("https://www.example.test/order.html?id=5#top"));
}

}  // namespace
