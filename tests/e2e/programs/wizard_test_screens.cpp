// The first screens of a test build of the installer: a short chain that
// shows every part of the wizard record, then leads into the file plan's
// question, the folder picker, the run road and the cancel question.  Each
// screen logs its first frame, so a test can follow the switches.
#include <string>

#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"
#include "engine/file_plan.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "widgets/folder_picker.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_screen.h"

namespace {

int test_one(int, wizard_screen&);
int test_two(int, wizard_screen&);
int test_three(int, wizard_screen&);
int test_plan(int, wizard_screen&);
int test_pick(int, wizard_screen&);
int test_cancel(int, wizard_screen&);

void log_first(int first, const char* name)
{
    if (!first) return;
    xer << "test screen: " << name << "\n";
    xer.flush();
}

std::string home_folder()
{
    std::string home;
    get_OS_abs_path(os_dir_desktop, home);
    return home;
}

int test_one(int first, wizard_screen& r)
{
    if (first && step_names.empty()) {
        step_names = {"One", "Two", "Three"};
        step_funcs = {test_one, test_two, test_three};
    }
    log_first(first, "one");
    r.title = "Test screen one";
    r.text = "The first test screen: CONTINUE goes on, the choice jumps to three.";
    r.next = test_two;
    r.flag_prefs = 1;
    r.choice_labels.push_back("Go to three");
    r.choice_funcs.push_back(test_three);
    return 0;
}

int test_two(int first, wizard_screen& r)
{
    log_first(first, "two");
    r.title = "Test screen two";
    r.text = "Halfway there.";
    r.back = test_one;
    r.next = test_three;
    r.progress = 0.5f;
    r.progress_text = "Half of the progress bar";
    return 0;
}

int test_three(int first, wizard_screen& r)
{
    log_first(first, "three");
    r.title = "Test screen three";
    r.back = test_two;
    r.next = wizard_quit;
    r.choice_labels = {"Plan files", "Pick a folder", "Run Nimbrel", "Cancel question"};
    r.choice_funcs = {test_plan, test_pick, dvd_pick_run_sim, test_cancel};
    return 0;
}

// Two changed files in one folder and one in a folder below it: a folder
// answer for the first settles the second only.
int test_plan(int first, wizard_screen& r)
{
    static int result = -1;
    log_first(first, "plan");
    if (first) {
        dest_dir_path = home_folder() + "sim/";
        set_install_filter(1, 0);
        sim_info.clear();
        // In a folder named like a 170-character install name: the question
        // shows such a path in the line it has.
        const std::string res = "Top/" + std::string(170, 'N') + "/";
        for (const std::string& path : {res + "one.txt", res + "two.txt", res + "sub/three.txt"}) {
            file_version_struct v;
            v.path = path;
            v.sig_want = "22222222222222222222222222222222";
            v.sig_have = "99999999999999999999999999999999";
            v.installed_size = 1;
            sim_info.push_back({v});
        }
        result = choose_files();
        xer << "plan: result " << result;
        if (result)
            for (const file_history_struct& h : sim_info) xer << " " << int{h.back().do_install};
        xer << "\n";
        xer.flush();
    }
    r.title = "Plan made";
    r.back = test_three;
    return 0;
}

int test_pick(int first, wizard_screen& r)
{
    log_first(first, "pick");
    if (first) {
        std::string folder = home_folder() + "pick/";
        const int picked = GetFilePathFromUser(2, "Pick", "Select", 1, folder, folder);
        xer << "picked: " << picked << " " << folder << "\n";
        xer.flush();
    }
    r.title = "Picked";
    r.back = test_three;
    return 0;
}

int test_cancel(int first, wizard_screen& r)
{
    log_first(first, "cancel");
    if (first) {
        // A 170-character install name and a 207-byte file name, twice:
        // more than the question's lines hold.
        const std::string file = home_folder() + std::string(170, 'N') + "/Global Scenery/" +
                                 std::string(207, 'f');
        const int answer = UTIL_cancel_install("An error occurred during installation of " + file +
                                                   " from " + file + ".7z:",
                                               "Cancel or continue?", "Cancel", "the install.",
                                               "Continue", "the install.");
        xer << "cancel answer: " << answer << "\n";
        xer.flush();
    }
    r.title = "Answered";
    r.back = test_three;
    return 0;
}

}  // namespace

screen_fn g_wizard = test_one;
