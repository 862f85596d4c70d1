#include <cerrno>
#include <unistd.h>
#include <cstdlib>
#include <fstream>

#include <sys/stat.h>

#include "core/diag/log_stream.h"
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
    void SetUp() override
    {
        xer.open(dir_ / "log.txt");
        // A stand-in browser that records the arguments it was given.
        const std::string bin = dir_ / "bin";
        mkdir(bin.c_str(), 0755);
        // Written aside and renamed: the opener runs on after go_to_URL returns.
        std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > '"
                                         << (dir_ / "args.tmp") << "'\nmv '" << (dir_ / "args.tmp")
                                         << "' '" << (dir_ / "args") << "'\nexit 3\n";
        chmod((bin + "/xdg-open").c_str(), 0755);
        old_path_ = getenv("PATH") ? getenv("PATH") : "";
        setenv("PATH", (bin + ":" + old_path_).c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", old_path_.c_str(), 1);
        xer.close();
    }
    std::string log()
    {
        xer << std::flush;
        return read_file(dir_ / "log.txt");
    }
    scratch_dir dir_;
    std::string old_path_;
};

// The result is the start's, not the browser's exit status: nothing waits
// for the browser.
TEST_F(web_links, OpensTheAddressAsOneArgumentAndLogsTwoLines)
{
    const std::string url = "https://example.test/a?x=1&y='2';rm|cat>~";
    go_to_URL(url);
    EXPECT_EQ(log(), "Opening: " + url + "\nResult: 0\n");
    for (int i = 0; i < 500 && !testing_support::file_exists(dir_ / "args"); ++i) usleep(10000);
    EXPECT_EQ(read_file(dir_ / "args"), "1\n" + url + "\n") << "no shell split or ran anything";
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
    EXPECT_FALSE(testing_support::file_exists(dir_ / "args")) << "nothing ran";
}

}  // namespace
