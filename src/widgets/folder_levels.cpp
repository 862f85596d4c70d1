#include "widgets/folder_levels.h"

#include <algorithm>

#include "gfx/fonts/text_drawing.h"
#include "widgets/widget_draw.h"

namespace {

std::string shown_component(const std::string& name)
{
    std::string out;
    for (char c : name) {
        if (c == '|')
            out += "\xC2\xA6";
        else
            out += c == '-' ? ' ' : c;
    }
    return out;
}

}  // namespace

folder_levels split_folder_levels(const std::string& folder, std::size_t max_levels)
{
    folder_levels out;
    for (std::size_t p = 0; p < folder.size(); ++p) {
        if (p != 0 && folder[p - 1] != '/') continue;
        std::size_t end = folder.find('/', p);
        if (end == std::string::npos) end = folder.size();
        std::string level = folder.substr(0, std::min(folder.size(), end + 1));
        std::string shown = shown_component(folder.substr(p, end - p));
        if (out.levels.size() < max_levels) {
            out.levels.push_back(std::move(level));
            out.shown.push_back(std::move(shown));
        } else if (!out.levels.empty()) {
            out.levels.back() = std::move(level);
            out.shown.back() = std::move(shown);
        }
        if (end == folder.size()) break;
    }
    return out;
}

std::string join_popup_items(const std::vector<std::string>& shown)
{
    std::string items;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        if (k > 0) items += '-';
        items += shown[k];
    }
    return items;
}

void draw_level_staircase(const std::vector<std::string>& shown)
{
    for (std::size_t k = 0; k < shown.size(); ++k) {
        const float step = 10.0f * static_cast<float>(k + 1);
        BTN_text(50, 20 + step, 415 - step, shown[k], 9999, charset_regular, 0);
    }
}
