// The about box's reading of the server list and its verdict: which
// release is current, whether this program is older, and where the newer
// installer lies.
#include <algorithm>

#include "core/files/xmap.h"
#include "core/maker_site.h"
#include "shell/about_box.h"

namespace {

struct installer_lines {
    std::string final_host, final_path, beta_host, beta_path;
};

// Only the six lines the box knows are read; server rows and anything else
// are passed over whole.  A keyword counts only as a whole word, so "BETA"
// never takes the start of "BETA_VERSION".
void read_lines(xmap_class& list, about_state& s, installer_lines& at)
{
    while (!list.TXT_at_end()) {
        const std::string word = list.TXT_token();
        if (word == "BETA") {
            s.version_str_net_beta = list.TXT_rest_of_line();
        } else if (word == "FINAL") {
            s.version_str_net = list.TXT_rest_of_line();
            s.version_str_found = 1;
        } else if (word == "BETA_INSTALLER_LIN") {
            at.beta_host = list.TXT_token();
            at.beta_path = list.TXT_rest_of_line();
        } else if (word == "FINAL_INSTALLER_LIN") {
            at.final_host = list.TXT_token();
            at.final_path = list.TXT_rest_of_line();
        } else if (word == "BETA_VERSION") {
            s.version_beta = list.TXT_int();
        } else if (word == "FINAL_VERSION") {
            s.version_final = list.TXT_int();
        }
        list.TXT_next_line();
    }
}

// The HTTP client takes a host ending in '/' or a path without a leading
// '/' for a programming error and ends the program: from a server's list
// such a line is only a line that cannot be used.
bool usable_location(const std::string& host, const std::string& path)
{
    return !host.empty() && host.back() != '/' && !path.empty() && path[0] == '/';
}

void decide(about_state& s, const installer_lines& at)
{
    s.is_beta = 0;
    s.ins_state = 4;
    if (s.version_final == -1) {
        s.err_msg = "Can't connect to the net to find latest version.";
        return;
    }
    if (s.version_final == kAboutOwnVersion) {
        s.err_msg = "Your version of Nimbrel is up to date.";
        return;
    }
    if (s.version_final < kAboutOwnVersion) {
        if (s.version_beta <= kAboutOwnVersion) {
            s.err_msg = "You have the latest Nimbrel beta.";
            return;
        }
        s.is_beta = 1;
    }
    s.installer_server = s.is_beta ? at.beta_host : at.final_host;
    s.installer_path = s.is_beta ? at.beta_path : at.final_path;
    if (usable_location(s.installer_server, s.installer_path)) {
        s.ins_state = 1;
        return;
    }
    s.err_msg = std::string(s.is_beta ? "There is a newer beta of Nimbrel available! Visit "
                                      : "There is a new version of Nimbrel available! Visit ") +
                NIMBREL_MAKER_HOST " to download the update.";
}

}  // namespace

about_state& about_box_state()
{
    static about_state state;
    return state;
}

void about_read_list(const std::string& path, about_state& state)
{
    xmap_class list(path);
    about_read_list(list, state);
}

void about_read_list(xmap_class& list, about_state& state)
{
    installer_lines at;
    static const int versions[] = {820, 0};
    if (list.begin && list.check_file(kHeaderText, versions, "SERVERS", nullptr)) read_lines(list, state, at);
    decide(state, at);
}

std::string about_status_line(const about_state& s)
{
    if (!s.version_str_found)
        return "I could not connect to the net to find the current version of Nimbrel at " NIMBREL_MAKER_HOST "!";
    return std::string("The current ") + (s.is_beta ? "beta version" : "version") + " of Nimbrel is now " +
           (s.is_beta ? s.version_str_net_beta : s.version_str_net) + ".";
}

int about_download_percent(int64_t received, int64_t length)
{
    if (length <= 0) return -1;
    return static_cast<int>(std::min<int64_t>(std::max<int64_t>(received, 0), length) * 100 / length);
}

std::string about_progress_line(int percent)
{
    if (percent < 0) return "Downloading the installer...";
    return "Downloading the installer..." + std::to_string(percent) + "% complete";
}
