// What one road leaves behind for the next in the same run: the failure
// flags of an earlier install, a partial copy behind the cancel question,
// and a destination folder that the run road is handed.
#include <gtest/gtest.h>

#include <string>

#include "core/files/file_ops.h"
#include "engine/download_streams.h"
#include "engine/dvd_install_pump.h"
#include "engine/copy_gate.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"

#include "main_window_test.h"
#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

using road_state = road_test;

// -- Failure flags --------------------------------------------------------------

TEST_F(road_state, SecondDemoInstallDoesNotInheritTheFailureOfTheFirst)
{
    stg.extract_failed = 1;  // as an install whose archive did not unpack leaves them
    stg.download_failed = 1;
    dest_dir_path = home_ / "second/";

    wizard_screen install;
    ASSERT_EQ(demo_run_patch(1, install), 1) << "an empty plan is through at once";
    ASSERT_EQ(install.next, demo_done);
    EXPECT_EQ(stg.extract_failed, 0);
    EXPECT_EQ(stg.download_failed, 0);

    wizard_screen done;
    demo_done(1, done);
    EXPECT_EQ(done.text.find("There were problem"), std::string::npos) << done.text;
    ASSERT_EQ(done.choice_funcs.size(), 1u) << "the new copy can be flown";
    EXPECT_EQ(done.choice_funcs[0], dvd_do_run_sim);
}

// -- Cancel question on the way back from a running install --------------------

int g_answer = 0;
int answer_with(const std::string&, const std::string&, const std::string&, const std::string&,
                const std::string&)
{
    return g_answer;
}

// Only "Continue" goes back to the install; "Cancel", or the question's
// window closed otherwise, removes the copy the install made.
TEST_F(road_state, OnlyContinueGoesOnAndTheOtherAnswersDeleteThePartialCopy)
{
    set_abort_alert_hook(answer_with);
    const std::string copy = home_ / "Nimbrel 9 Demo/";
    for (int answer : {0, 3, 1}) {
        dest_dir_path = copy;
        if (!dir_exists(copy)) {
            ASSERT_EQ(copy_gate_make(), 0) << "as the install makes it";
        }
        write_file(copy + "Resources/a.txt", "installed");
        demo_install_is_running = 1;
        g_answer = answer;
        wizard_screen rec;
        EXPECT_EQ(demo_pick_dest(1, rec), answer == 0) << answer;
        EXPECT_EQ(demo_install_is_running, answer == 0) << answer;
        EXPECT_EQ(dir_exists(copy), answer == 0) << "answer " << answer;
        if (answer == 0) {
            EXPECT_EQ(rec.next, demo_run_patch) << "Continue goes back to the install";
            EXPECT_EQ(read_file(copy + "Resources/a.txt"), "installed");
        }
    }
}

// -- A destination left by another road -----------------------------------------

TEST_F(road_state, RunRoadDropsALeftFolderThatIsNeitherARegisteredCopyNorASimulator)
{
    const std::string other = home_ / "documents/";
    write_file(other + "letter.txt", "not a simulator");
    dest_dir_path = other;
    wizard_screen rec;
    dvd_pick_run_sim(1, rec);
    EXPECT_EQ(dest_dir_path, "");
    EXPECT_EQ(rec.next, nullptr) << "nothing to run until a copy is picked";
}

TEST_F(road_state, RunRoadKeepsALeftFolderThatHoldsASimulator)
{
    const std::string sim = home_ / "sim/";
    for (const char* sub : {"Airfoils", "Instructions", "Output", "Resources"})
        write_file(sim + sub + "/keep.txt", "");
    dest_dir_path = sim;
    wizard_screen rec;
    dvd_pick_run_sim(1, rec);
    EXPECT_EQ(dest_dir_path, sim);
    EXPECT_EQ(rec.next, dvd_do_run_sim);
}

TEST_F(road_state, RunRoadKeepsALeftFolderThatIsARegisteredCopy)
{
    all_nsystems = {"/copies/a/", "/copies/b/"};  // not on disk: registered is enough
    dest_dir_path = "/copies/b/";
    wizard_screen rec;
    dvd_pick_run_sim(1, rec);
    EXPECT_EQ(dest_dir_path, "/copies/b/");
    EXPECT_EQ(rec.next, dvd_do_run_sim);

    dest_dir_path = "/copies/c/";
    dvd_pick_run_sim(0, rec);
    EXPECT_EQ(dest_dir_path, "/copies/c/") << "only the first frame judges the folder";
}

}  // namespace
