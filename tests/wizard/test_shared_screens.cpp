// The licence screen and the copy picker frame by frame without a window:
// the widgets' GL calls go to no context and do nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/shell_hooks.h"
#include "core/maker_site.h"
#include "core/text/translation.h"
#include "shell/mnw_state.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "shell/widget_hooks.h"
#include "wizard/modal_questions.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

#include "main_window_test.h"

using testing_support::write_file;

namespace {

class shared_screen : public main_window_test {
protected:
    void TearDown() override
    {
        main_window_test::TearDown();
        accept_eula = 0;
    }
};

int road_start(int, wizard_screen&) { return 0; }
int road_next(int, wizard_screen&) { return 0; }

TEST_F(shared_screen, LicenceOffersContinueOnlyOnceTheBoxIsTicked)
{
    g_eula_road = {road_start, road_next};
    accept_eula = 0;
    wizard_screen rec;
    EXPECT_EQ(see_eula(1, rec), 0);
    EXPECT_EQ(rec.title, "End User License Agreement");
    EXPECT_EQ(rec.back, road_start);
    EXPECT_EQ(rec.next, nullptr);
    EXPECT_NE(rec.text.find("/FTD.html for commercial use of Nimbrel.\n\n"), std::string::npos)
        << rec.text;

    click_at(250, 304);  // the box, drawn after CONTINUE is decided
    wizard_screen clicked;
    see_eula(0, clicked);
    mouse_away();
    EXPECT_EQ(clicked.next, nullptr) << "the tick shows on CONTINUE one frame later";
    EXPECT_EQ(accept_eula, 1);
    wizard_screen ticked;
    EXPECT_EQ(see_eula(0, ticked), 0) << "the licence never moves on by itself";
    EXPECT_EQ(ticked.next, road_next);
    EXPECT_EQ(ticked.back, road_start);
    EXPECT_LT(ticked.progress, 0.0f);
    EXPECT_TRUE(ticked.choice_labels.empty());

    click_at(259, 304);  // 9 units right of the box: nothing
    see_eula(0, ticked);
    EXPECT_EQ(accept_eula, 1);
    click_at(250, 304);
    see_eula(0, ticked);
    EXPECT_EQ(accept_eula, 0) << "a second click unticks";
}

// The agreement is the commercial-use line between blank paragraphs, and
// nothing else, in every language.
TEST_F(shared_screen, LicenceTextIsTranslatedParagraphByParagraph)
{
    EXPECT_EQ(eula_text(), std::string("\n\nSee http://") + kMakerWebHost +
                               "/FTD.html for commercial use of Nimbrel.\n\n\n\n");
    UTL_translate_load(2);
    EXPECT_EQ(eula_text(), std::string("\n\nZur kommerziellen Nutzung von Nimbrel siehe http://") +
                               kMakerWebHost + "/FTD.html.\n\n\n\n");
    UTL_translate_clear();
}

TEST_F(shared_screen, OneRegisteredCopyIsChosenWithoutAClick)
{
    all_nsystems = {"/home/pilot/sim/"};
    dest_dir_path.clear();
    UTIL_pick_install();
    EXPECT_EQ(dest_dir_path, "/home/pilot/sim/");

    all_nsystems = {"/a/", "/b/"};
    dest_dir_path.clear();
    UTIL_pick_install();
    EXPECT_EQ(dest_dir_path, "") << "no row is chosen until the user clicks one";

    all_nsystems.clear();
    dest_dir_path = "/left/by/another/road/";
    UTIL_pick_install();
    EXPECT_EQ(dest_dir_path, "/left/by/another/road/");
}

TEST_F(shared_screen, ClickedCopyIsChosenAndCannotBeWithdrawn)
{
    all_nsystems = {"/a/", "/b/"};
    click_at(250, 379);  // second row, at y 375
    UTIL_pick_install();
    EXPECT_EQ(dest_dir_path, "/b/");
    UTIL_pick_install();
    EXPECT_EQ(dest_dir_path, "/b/") << "clicking the chosen row keeps it chosen";
}

// -- "Find It" --------------------------------------------------------------------

TEST_F(shared_screen, FolderInsideACopyChoosesAndRegistersTheCopy)
{
    scratch_home home;
    const std::string sim = home / "pilot/sim/";
    for (const char* sub : {"Airfoils", "Instructions", "Output", "Resources/deep"})
        write_file(sim + sub + "/keep.txt", "");
    dest_dir_path = sim + "Resources/deep/";
    choose_copy_holding("/previous/");
    EXPECT_EQ(dest_dir_path, sim);
    ASSERT_EQ(all_nsystems.size(), 1u) << "registered and listed";
    EXPECT_EQ(all_nsystems[0], sim);
}

TEST_F(shared_screen, FolderOutsideAnyCopyIsRefusedAndThePreviousChoiceReturns)
{
    scratch_home home;
    alerts_fail_ = false;
    for (const std::string& picked : {std::string("/"), home / "documents/"}) {
        write_file(home / "documents/letter.txt", "");
        dest_dir_path = picked;
        choose_copy_holding("");
        EXPECT_EQ(dest_dir_path, "") << "an empty previous choice comes back too";
    }
    const std::vector<std::string> said = alerts.joined(2);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], "You selected the folder path:|/");
    EXPECT_EQ(said[1], "You selected the folder path:|" + home / "documents/")
        << "the alert names the folder the user picked, not the last one tried";
    EXPECT_TRUE(all_nsystems.empty());
}

// Clicks for the continue-or-cancel question, one per frame of its loop;
// when they run out the program is told to end, which leaves it unanswered.
std::vector<std::pair<float, float>> g_clicks;
void next_click()
{
    if (g_clicks.empty()) {
        app_done = 1;
        return;
    }
    mnw.mouse_x = g_clicks.front().first;
    mnw.mouse_y = g_clicks.front().second;
    mnw.click = 1;
    g_clicks.erase(g_clicks.begin());
}

// The buttons are 100 wide around x 96, the first around y 56 and the
// second around y 31, each 20 high; their texts stand beside them.
TEST_F(shared_screen, CancelQuestionAnswersOnlyWithinItsButtons)
{
    install_modal_questions();
    shell_widget_hooks hooks{};
    hooks.BTN_begin_focus_ring = next_click;
    set_shell_widget_hooks(hooks);
    auto ask = [](std::vector<std::pair<float, float>> clicks) {
        g_clicks = std::move(clicks);
        app_done = 0;
        return abort_alert("Stop?", "Stop", "the work.", "Continue", "the work.");
    };
    EXPECT_EQ(ask({{160, 56}, {96, 67}, {47, 65}}), 1) << "beside and above the first button";
    EXPECT_EQ(mnw.current_window, 0);
    EXPECT_EQ(ask({{145, 44}, {96, 22}}), 0) << "between the buttons, then the second's foot";
    EXPECT_EQ(ask({{200, 53}, {150, 28}}), 3) << "the texts beside the buttons are no buttons";
    reset_shell_widget_hooks();
    set_abort_alert_hook(nullptr);
    app_done = 0;
}

}  // namespace
