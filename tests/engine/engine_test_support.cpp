#include "engine_test_support.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "test_support.h"

namespace engine_testing {

namespace {

std::vector<alert_record> caught;

void keep_alert(int, const std::string& l1, const std::string& l2, const std::string& l3,
                const std::string& l4, int level, const char*, int)
{
    caught.push_back({{l1, l2, l3, l4}, level});
}

}  // namespace

alert_catcher::alert_catcher()
{
    caught.clear();
    set_alert_hook(keep_alert);
}

alert_catcher::~alert_catcher() { set_alert_hook(nullptr); }

const std::vector<alert_record>& alert_catcher::alerts() const { return caught; }

std::string manifest_text(const std::string& body, int version)
{
    return "I\n" + std::to_string(version) + " version\nINSTALLER\n\n" + body;
}

void reset_engine_state()
{
    sim_info.clear();
    deleted_files.clear();
    std::memset(&stg, 0, sizeof stg);
    set_install_filter(1, 1);
    temp_path.clear();
    dest_dir_path.clear();
    app_done = 0;
    app_exit_status = 0;
}

fake_browser::fake_browser() : saved_path_(std::getenv("PATH") ? std::getenv("PATH") : "")
{
    char folder[] = "/tmp/nimbrel-browser-XXXXXX";
    dir_ = std::string(mkdtemp(folder)) + "/";
    // Written aside and renamed, so a reader never sees half the arguments.
    testing_support::write_file(dir_ + "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir_ +
                                                       "args.tmp'\nmv '" + dir_ + "args.tmp' '" + dir_ +
                                                       "args'\n");
    chmod((dir_ + "xdg-open").c_str(), 0755);
    setenv("PATH", (dir_ + ":" + saved_path_).c_str(), 1);
}

fake_browser::~fake_browser()
{
    setenv("PATH", saved_path_.c_str(), 1);
    testing_support::remove_tree(dir_);
}

std::string fake_browser::arguments() const
{
    // The opener runs detached from the installer: nothing to wait on but
    // its traces.
    for (int i = 0; i < 500 && !ran(); ++i) usleep(10000);
    return testing_support::read_file(dir_ + "args");
}

bool fake_browser::ran() const { return testing_support::file_exists(dir_ + "args"); }

}  // namespace engine_testing
