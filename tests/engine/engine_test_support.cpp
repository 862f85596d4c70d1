#include "engine_test_support.h"

#include <cstring>

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

}  // namespace engine_testing
