#include "shell/command_registry.h"

#include <strings.h>

#include <set>

#include "core/diag/frame_clock.h"
#include "core/shell_hooks.h"

const default_command default_commands[2] = {
    {"cmnd_nothing", "sim/none/none", "Do nothing at all!", 3, 0, 0},
    {"cmnd_quit", "sim/operation/quit", "Quit the simulation.", 2, 0, 0},
};

namespace {

constexpr int quit_command = 1;
int fp = 0;

bool begins_with(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool contains_ignoring_case(const std::string& text, const std::string& word)
{
    if (word.size() > text.size()) return false;
    for (size_t at = 0; at + word.size() <= text.size(); ++at)
        if (strncasecmp(text.c_str() + at, word.c_str(), word.size()) == 0) return true;
    return false;
}

}  // namespace

cmnd_class cmnd;
float cmnd_duration = 0;

// The core lists the commands ("--cmnds", command folders) through these.
static const bool registry_hooks_set = [] {
    set_command_registry_hooks(
        {[](std::vector<std::string>& names, std::vector<std::string>& descriptions) {
             names = cmnd.paths;
             descriptions = cmnd.descriptions;
         },
         [](const std::string& prefix, std::vector<std::string>& out) {
             cmnd.get_cmds_in_path(prefix, out);
         }});
    return true;
}();

cmnd_class::cmnd_class()
{
    for (const default_command& row : default_commands) {
        enum_names.push_back(row.enum_name);
        paths.push_back(row.path);
        descriptions.push_back(row.description);
        kinds.push_back(row.kind);
        press_counts.push_back(0);
    }
}

int cmnd_class::get_cmnd_by_name(const std::string& name)
{
    const auto alias = aliases.find(name);
    if (alias != aliases.end()) return alias->second;
    for (size_t id = 0; id < paths.size(); ++id)
        if (paths[id] == name) return static_cast<int>(id);
    return 0;
}

void cmnd_class::alias_cmd(const std::string& name, int id) { aliases[name] = id; }

int cmnd_class::add_cmd(const std::string& path, const std::string& description)
{
    enum_names.push_back("DYNAMIC");
    paths.push_back(path);
    descriptions.push_back(description);
    kinds.push_back(2);
    press_counts.push_back(0);
    return static_cast<int>(paths.size()) - 1;
}

int cmnd_class::tab_complete_cmnd(std::string& text)
{
    bool found = false;
    std::string completion;
    for (const std::string& path : paths) {
        if (!begins_with(path, text)) continue;
        if (!found) {
            completion = path;
            found = true;
            continue;
        }
        size_t same = 0;
        while (same < completion.size() && same < path.size() && completion[same] == path[same])
            ++same;
        completion.resize(same);
    }
    if (!found) return 0;
    text = completion;
    return 1;
}

void cmnd_class::get_cmds_in_path(const std::string& prefix, std::vector<std::string>& out)
{
    out.clear();
    std::set<std::string> given;
    for (const std::string& path : paths) {
        if (path.size() <= prefix.size() || !begins_with(path, prefix)) continue;
        const size_t slash = path.find('/', prefix.size());
        std::string entry = slash == std::string::npos
                                ? path.substr(prefix.size())
                                : path.substr(prefix.size(), slash - prefix.size() + 1);
        if (given.insert(entry).second) out.push_back(std::move(entry));
    }
}

void cmnd_class::get_cmnds_by_filter(const std::string& filter, std::vector<std::string>& out)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : filter + " ") {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    out.clear();
    for (const std::string& path : paths) {
        bool all = true;
        for (const std::string& w : words) all = all && contains_ignoring_case(path, w);
        if (all) out.push_back(path);
    }
}

// Presses of an id outside the registry are ignored: a count is never
// read or written past the table.
void cmnd_class::press_one(int id)
{
    if (id < 0 || static_cast<size_t>(id) >= press_counts.size()) return;
    ++press_counts[id];
    if (id == quit_command) app_done = 1;
}

void cmnd_class::release_one(int id)
{
    cmnd_duration = 0;
    if (id < 0 || static_cast<size_t>(id) >= press_counts.size()) return;
    if (press_counts[id] > 0) --press_counts[id];
}

void cmnd_class::press_always(int) { cmnd_duration += xtim.prd_frame_1; }

void cmnd_class::single_press(int id)
{
    cmnd_duration = 0;
    if (id < 0 || static_cast<size_t>(id) >= press_counts.size()) return;
    ++press_counts[id];
    if (id == quit_command) app_done = 1;
    if (press_counts[id] > 0) --press_counts[id];
}

void set_plane_focus(int value) { fp = value; }

int get_plane_focus() { return fp; }
