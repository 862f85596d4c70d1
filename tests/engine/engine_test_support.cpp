#include "engine_test_support.h"

#include <csignal>
#include <cstring>

#include "core/diag/debug_dumps.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/run_temp_folder.h"
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
    run_temp_folder_forget();
    dest_dir_path.clear();
    app_done = 0;
    app_exit_status = 0;
}

program_signals::program_signals()
    : xfsz_(std::signal(SIGXFSZ, SIG_DFL)), pipe_(std::signal(SIGPIPE, SIG_DFL))
{
    UTL_debug_init();
}

program_signals::~program_signals()
{
    std::signal(SIGXFSZ, xfsz_);
    std::signal(SIGPIPE, pipe_);
}

}  // namespace engine_testing
