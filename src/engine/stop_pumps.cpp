#include "engine/stop_pumps.h"

#include "engine/checksum_pump.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_tasks.h"

void UTL_stop_all_pumps()
{
    installer_tasks_abandon(true);
    checksum_directory_kill();
    install_files_kill();
    installer_tasks_abandon(false);
}

void stop_checksum_pump()
{
    installer_tasks_abandon(true);
    checksum_directory_kill();
    installer_tasks_abandon(false);
}
