#include "main_window_test.h"

#include <cstdlib>
#include <string>

#include "core/text/translation.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"
#include "shell/mnw_state.h"

void main_window_test::SetUp()
{
    main_window_frames::SetUp();
    alerts_fail_ = true;
    stg_set_start_values();
    UTL_translate_clear();
}

void main_window_test::TearDown()
{
    main_window_frames::TearDown();
    dest_dir_path.clear();
    all_nsystems.clear();
}

void main_window_test::click_bar(button_bar::button b, bool last_screen)
{
    const skin_button_box box = button_bar::place(mnw.language, b, last_screen);
    click_at(box.centre_x(), box.centre_y());
}

void road_test::SetUp()
{
    main_window_test::SetUp();
    temp_path = temp_.path();
    sim_info.clear();
    demo_install_is_running = 0;
}

void road_test::TearDown()
{
    set_abort_alert_hook(nullptr);
    next.reset_all_streams();
    for (int slot = 0; slot < 6; ++slot) http.cancel(slot);
    http.forget_failures();
    http.proxy_host.clear();
    http.proxy_port.clear();
    http.proxy_port_int = 0;
    demo_install_is_running = 0;
    sim_info.clear();
    temp_path.clear();
    main_window_test::TearDown();
}
