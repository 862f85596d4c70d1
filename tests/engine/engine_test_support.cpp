#include "engine_test_support.h"

#include <cstring>

#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "test_support.h"

namespace engine_testing {

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
