#include "dvd_road_test.h"

#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/core_globals.h"
#include "engine/dvd_install_pump.h"
#include "engine/dvd_mounts.h"
#include "engine/file_plan.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/stop_pumps.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

#include "test_support.h"

abort_answers g_abort;

namespace {

int answer_with(const std::string& question, const std::string&, const std::string&,
                const std::string&, const std::string&)
{
    ++g_abort.asked;
    g_abort.question = question;
    return g_abort.answer;
}

}  // namespace

release_files merged(release_files a, const release_files& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

void dvd_road_test::SetUp()
{
    road_test::SetUp();
    UTIL_set_dvd_search_places({home_ / "no mount table", {}});
    dvd_path.clear();
    install_name = no_install_name;
    current_disk = want_file_disk = 0;
    dvd_install_is_running = repair_is_running = scenery_install_is_running = 0;
    num_install_errors = 0;
    std::memset(stg.want_sectors, 0, sizeof stg.want_sectors);
    set_abort_alert_hook(answer_with);
    g_abort = abort_answers();
}

void dvd_road_test::TearDown()
{
    UTL_stop_all_pumps();
    dvd_install_is_running = repair_is_running = scenery_install_is_running = 0;
    set_select_alert_hook(nullptr);
    set_install_filter(1, 1);
    ::unsetenv("NIMBREL_DVD");
    UTIL_set_dvd_search_places({});
    dvd_path.clear();
    step_names.clear();
    step_funcs.clear();
    road_test::TearDown();
}

void dvd_road_test::use(const testing_support::dvd_release& set, int disk)
{
    ASSERT_EQ(set.error(), "");
    ::setenv("NIMBREL_DVD", set.drive().c_str(), 1);
    set.insert(disk);
}

void dvd_road_test::register_copy(const std::string& folder)
{
    testing_support::write_file(folder + "Nimbrel-i686", "");
    testing_support::write_file(home_ / ".nimbrel/nimbrel_install.txt", folder + "\n");
}

wizard_screen dvd_road_test::hub()
{
    wizard_screen rec;
    dvd_start(1, rec);
    return rec;
}

void dvd_road_test::plan_for(const std::string& folder)
{
    dest_dir_path = folder;
    plan_fresh_install();
}

int dvd_road_test::walk(screen_fn& screen, screen_fn stop, wizard_screen& last, int limit)
{
    screen_fn previous = nullptr;
    for (int frames = 0; frames < limit; ++frames) {
        if (screen == stop) return frames;
        last = wizard_screen();
        wizard_frame_events events;
        events.screen_result = screen(screen != previous, last);
        previous = screen;
        screen = wizard_next_screen(screen, last, events);
        std::this_thread::yield();
    }
    ADD_FAILURE() << "the road never reached the screen wanted";
    return limit;
}
