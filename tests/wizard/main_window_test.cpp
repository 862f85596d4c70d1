#include "main_window_test.h"

#include <cstdlib>
#include <string>

#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"
#include "shell/mnw_state.h"

namespace {

void fail_on_alert(int, const std::string& l1, const std::string& l2, const std::string&,
                   const std::string&, int, const char*, int)
{
    if (l1.rfind("Null texture", 0) != 0) ADD_FAILURE() << "alert: " << l1 << " / " << l2;
}

}  // namespace

void main_window_test::SetUp()
{
    set_alert_hook(fail_on_alert);
    mnw.current_window = 0;
    mnw.window_width = mnw.screen_width = 800;
    mnw.window_height = mnw.screen_height = 600;
    mnw.language = 0;
    mnw.open_menu = -1;
    mouse_away();
    app_done = 0;
    stg_set_start_values();
    UTL_translate_clear();
}

void main_window_test::TearDown()
{
    set_alert_hook(nullptr);
    mouse_away();
    app_done = 0;
    dest_dir_path.clear();
    all_nsystems.clear();
}

void main_window_test::click_at(float x, float y)
{
    mnw.mouse_x = x;
    mnw.mouse_y = y;
    mnw.click = 1;
    mnw.button_held = 0;
}

void main_window_test::mouse_away()
{
    mnw.mouse_x = mnw.mouse_y = -1000;
    mnw.click = mnw.button_held = 0;
}

scratch_home::scratch_home()
{
    const char* home = std::getenv("HOME");
    saved_ = home ? home : "";
    ::setenv("HOME", dir_.path().c_str(), 1);
}

scratch_home::~scratch_home() { ::setenv("HOME", saved_.c_str(), 1); }

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
