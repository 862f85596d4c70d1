// The command registry: every action a key binding or a listing can name,
// by a dense id, a '/'-separated path and a description.  Id 0 does
// nothing (and answers names that are not registered); id 1 quits.
#pragma once

#include <map>
#include <string>
#include <vector>

struct default_command {
    const char* enum_name;
    const char* path;
    const char* description;
    int kind;
    int default_key;        // a virtual key, 0 none
    int default_modifiers;  // 1 Shift, 2 Alt, 4 Control
};
extern const default_command default_commands[2];

class cmnd_class {
public:
    std::vector<std::string> enum_names;
    std::vector<std::string> paths;
    std::vector<std::string> descriptions;
    std::vector<int> kinds;
    std::vector<int> press_counts;
    std::map<std::string, int> aliases;

    cmnd_class();
    int get_cmnd_by_name(const std::string& name);
    void alias_cmd(const std::string& name, int id);
    int add_cmd(const std::string& path, const std::string& description);
    // Extends the text to the longest common beginning of the paths that
    // start with it; 0 (text unchanged) when none does.
    int tab_complete_cmnd(std::string& text);
    // The distinct names one level below the prefix, folders ending in '/'.
    void get_cmds_in_path(const std::string& prefix, std::vector<std::string>& out);
    // The paths holding every word of the filter, letter case ignored.
    void get_cmnds_by_filter(const std::string& filter, std::vector<std::string>& out);
    void press_one(int id);
    void release_one(int id);
    void press_always(int id);
    void single_press(int id);
};

extern cmnd_class cmnd;
// How long the command being held has been held, seconds; one for all.
extern float cmnd_duration;

void set_plane_focus(int value);
int get_plane_focus();
