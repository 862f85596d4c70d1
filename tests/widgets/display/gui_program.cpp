#include "gui_program.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

bool gui_program::wait_for_line(const std::string& line, int seconds) const
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (("\n" + output()).find("\n" + line + "\n") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::pair<int, int> gui_program::to_screen(float x, float y, float window_width,
                                           float window_height) const
{
    if (window_width == 0) window_width = float(screen_width_);
    if (window_height == 0) window_height = float(screen_height_);
    const float origin_x = std::round((float(screen_width_) - window_width) / 2);
    const float origin_y = std::round((float(screen_height_) - window_height) / 2);
    return {int(origin_x + x), int(float(screen_height_) - (origin_y + y))};
}

void gui_program::click(float x, float y, float window_width, float window_height) const
{
    const auto [px, py] = to_screen(x, y, window_width, window_height);
    x_command("xdotool mousemove " + std::to_string(px) + " " + std::to_string(py) + " click 1");
}

std::vector<int> gui_program::pixel(const std::string& screenshot, float x, float y,
                                    float window_width, float window_height) const
{
    const auto [px, py] = to_screen(x, y, window_width, window_height);
    const std::string out = x_command("convert '" + screenshot + "' -format '%[fx:int(255*p{" +
                                      std::to_string(px) + "," + std::to_string(py) +
                                      "}.r)] %[fx:int(255*p{" + std::to_string(px) + "," +
                                      std::to_string(py) + "}.g)] %[fx:int(255*p{" +
                                      std::to_string(px) + "," + std::to_string(py) + "}.b)]' info:");
    std::vector<int> rgb(3, -1);
    std::sscanf(out.c_str(), "%d %d %d", &rgb[0], &rgb[1], &rgb[2]);
    return rgb;
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
