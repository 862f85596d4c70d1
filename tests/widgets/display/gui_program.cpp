#include "gui_program.h"

#include <chrono>
#include <cmath>
#include <thread>

bool gui_program::wait_for_line(const std::string& line, int seconds) const
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (("\n" + output()).find("\n" + line + "\n") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void gui_program::click(float x, float y, float window_width, float window_height) const
{
    const float origin_x = std::round((800 - window_width) / 2);
    const float origin_y = std::round((600 - window_height) / 2);
    const int px = int(origin_x + x), py = int(600 - (origin_y + y));
    x_command("xdotool mousemove " + std::to_string(px) + " " + std::to_string(py) + " click 1");
}

void gui_program::keys(const std::string& xdotool_arguments) const
{
    x_command("xdotool mousemove 700 500 && xdotool " + xdotool_arguments);
}

std::string gui_program::screenshot(const std::string& name) const
{
    const std::string path = std::string(WIDGETS_OUTPUT_DIR) + "/" + name + ".png";
    x_command("mkdir -p '" WIDGETS_OUTPUT_DIR "' && import -window root '" + path + "'");
    return path;
}
