#include "pump_fixture.h"

#include <dirent.h>

#include "core/archives/unpack_memory.h"
#include "core/core_globals.h"
#include "core/threads/utl_thread.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/stop_pumps.h"
#include "engine_test_support.h"

namespace engine_testing {

namespace {

void reset_dvd_state()
{
    dvd_path.clear();
    install_name = no_install_name;
    want_file_disk = current_disk = 0;
}

}  // namespace

void pump_test::SetUp()
{
    reset_engine_state();
    reset_dvd_state();
    stg.target_os = 3;
    dest_dir_path = dest_.path();
    temp_path = temp_.path();
}

void pump_test::TearDown()
{
    UTL_stop_all_pumps();
    set_abort_alert_hook(nullptr);
    UTL_set_cpuinfo_path(nullptr);
    unpack_memory_set_budget(0);
    unpack_memory_set_address_budget(0);
    unpack_memory_set_hook(nullptr);
    installer_tasks_set_hook(nullptr);
    reset_dvd_state();
    reset_engine_state();
}

void pump_test::processors(int n)
{
    std::string info;
    for (int i = 0; i < n; ++i) info += "processor\t: " + std::to_string(i) + "\nmodel name\t: Test CPU\n\n";
    testing_support::write_file(cpu_ / "cpuinfo", info);
    UTL_set_cpuinfo_path((cpu_ / "cpuinfo").c_str());
}

std::size_t pump_test::files_in_temp() const
{
    std::size_t n = 0;
    DIR* dir = ::opendir(temp_.path().c_str());
    while (const dirent* e = ::readdir(dir)) n += e->d_name[0] != '.';
    ::closedir(dir);
    return n;
}

}  // namespace engine_testing
