#include "engine/server_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/diag/log_stream.h"
#include "core/files/xmap.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/newer_version_notice.h"

namespace {

// A row the HTTP client could not be asked about (it insists on a bare host
// and a path from '/') would end the program; a list from the network may
// hold anything, so such rows are dropped instead.
bool usable_server_row(const std::string& host, const std::string& path)
{
    if (host.empty() || host.back() == '/' || host.find_first_of(" \t") != std::string::npos) return false;
    return !path.empty() && path[0] == '/';
}

}  // namespace

void unreadable_server_list(const std::string& path, const char* why)
{
    xer << "The server list " << path << " cannot be used: " << why << ".\n";
    stg.server_count = 0;
    stg.dir_status = 2;
}

int pick_biased_server(int count)
{
    float u = static_cast<float>(rand()) * 4.656613e-10f;
    double p = u > 0 ? std::pow(static_cast<double>(u), 1.5) : 0.0;
    int v = static_cast<int>(count * p);
    return v < 0 ? 0 : std::min(v, count - 1);
}

int pick_biased_ready_server(int count, unsigned excluded)
{
    const auto allowed = [&](int i) { return !(excluded >> i & 1u); };
    bool any_allowed = false, any_ready = false;
    for (int i = 0; i < count && i < kMaxServers; ++i) {
        any_allowed = any_allowed || allowed(i);
        any_ready = any_ready || (allowed(i) && !http.resting(server_name[i]));
    }
    // Drawing again until a ready server comes gives each ready server the
    // share the biased rule gives it among them.
    int pick = pick_biased_server(count);
    while ((any_allowed && !allowed(pick)) || (any_ready && http.resting(server_name[pick])))
        pick = pick_biased_server(count);
    return pick;
}

bool read_server_rows(xmap_class& list, std::string& newer_installer)
{
    stg.server_count = 0;
    while (!list.TXT_at_end()) {
        list.TXT_skip_delimiters();
        if (list.TXT_at_end()) break;
        const std::string keyword = list.TXT_token();
        if (keyword == "ENDOFLIST") break;
        if (keyword == "BETA" || keyword == "FINAL") {
            std::string name = list.TXT_rest_of_line();
            if ((keyword == "BETA") == (stg.get_beta != 0)) install_name = name;
        } else if (keyword == "INS_VERSION") {
            int version = list.TXT_int();
            list.TXT_token();
            std::string url = list.TXT_token();
            if (version > kInstallerVersion) {
                newer_installer = url;
                return false;
            }
        } else if (keyword == "SERVER") {
            std::string host = list.TXT_rest_of_line();
            list.TXT_next_line();
            std::string prefix = list.TXT_rest_of_line();
            list.TXT_next_line();
            std::string desc = list.TXT_rest_of_line();
            if (!usable_server_row(host, prefix)) {
                xer << "Server list: dropped the server row for host \"" << host << "\" with path \"" << prefix
                    << "\"\n";
            } else if (stg.server_count < kMaxServers) {
                server_name[stg.server_count] = host;
                server_path[stg.server_count] = prefix + install_name + "/";
                server_desc[stg.server_count] = desc;
                ++stg.server_count;
            }
        }
        list.TXT_next_line();
    }
    return true;
}

bool all_download_servers_failing()
{
    if (stg.server_count <= 0) return false;
    for (int i = 0; i < stg.server_count && i < kMaxServers; ++i)
        if (!http.failing(server_name[i])) return false;
    return true;
}

void read_server_list(const std::string& path)
{
    static const int versions[] = {820, 0};
    xmap_class list(path);
    if (!list.begin || list.check_file(kHeaderText, versions, "SERVERS", nullptr) != 820) {
        // Only a list that says it is newer needs a newer installer; an
        // older or damaged one (an error page a proxy answered with, say)
        // is just unreadable, and another installer would not help.
        if (list.header_version > 820)
            new_format(path);
        else
            unreadable_server_list(path, "its header is not that of a server list of version 820");
        return;
    }
    std::string newer_installer;
    if (!read_server_rows(list, newer_installer)) {
        new_installer(newer_installer);
        return;
    }
    if (stg.server_count == 0) {
        unreadable_server_list(path, "it names no server");
        return;
    }
    std::fill(std::begin(stg.damaged_manifest), std::end(stg.damaged_manifest), 0);
    stg.server_choice = pick_biased_server(stg.server_count);
}
