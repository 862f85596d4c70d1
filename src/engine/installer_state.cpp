#include "engine/installer_state.h"

#include <algorithm>
#include <iterator>

#include "core/core_globals.h"

stg_struct stg;

std::string temp_path;
std::string dest_dir_path;
std::string install_name;
std::string server_name[kMaxServers];
std::string server_path[kMaxServers];
std::string server_desc[kMaxServers];
std::vector<std::string> all_nsystems;
int current_disk = 0;
int want_file_disk = 0;

void stg_set_start_values()
{
    stg.format_error = 0;
    stg_clear_failures();
    stg.server_count = -1;
    stg.server_choice = 0;
    stg.dir_status = 0;
    stg.file_action = 3;
    stg.file_progress = 0.0f;
    stg.stream_count = 0;
    stg.download_total = 0.0f;
    stg.install_total = 0.0f;
    stg.target_os = 3;
    std::fill(std::begin(stg.damaged_manifest), std::end(stg.damaged_manifest), 0);
    install_name = no_install_name;
}

void stg_clear_failures()
{
    stg.download_failed = 0;
    stg.extract_failed = 0;
    stg.delete_failed = 0;
}

int str_to_int(const std::string& text)
{
    if (text.empty()) return -1;
    int sign = 1;
    std::size_t first = 0;
    if (text[0] == '+' || text[0] == '-') {
        sign = text[0] == '-' ? -1 : 1;
        first = 1;
    }
    const std::size_t digits = text.size() - first;
    // Nine places keep every value, even all "9"s, inside an int.
    if (digits < 1 || digits > 9) return -1;

    int value = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        const char c = text[i];
        // A sign inside the number ("1-2") is no number at all.
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return sign * value;
}
