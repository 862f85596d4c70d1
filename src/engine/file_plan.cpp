#include "engine/file_plan.h"

#include <set>

#include "core/diag/log_stream.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"

namespace {

int keep_users_file(const std::string& path, int)
{
    xer << "No one to ask about a changed file; kept: " << path << "\n";
    return kAnswerKeep;
}

select_alert_fn g_select_alert = keep_users_file;

bool is_known_version(const file_history_struct& history, const std::string& sig)
{
    for (const file_version_struct& v : history)
        if (v.sig_want == sig) return true;
    return false;
}

// Every history gets a fraction: the share of the installed volume that
// comes before it, so the install screens can show one bar for the run.
void set_progress_fractions()
{
    float total = 0.0f;
    for (const file_history_struct& h : sim_info)
        if (!h.empty() && h.back().do_install) total += h.back().installed_size;

    float before = 0.0f;
    for (file_history_struct& h : sim_info) {
        if (h.empty()) continue;
        file_version_struct& v = h.back();
        if (total <= 0.0f) {
            v.progress = 0.5f;
            continue;
        }
        v.progress = before / total;
        if (v.do_install) before += v.installed_size;
    }
}

}  // namespace

void set_select_alert_hook(select_alert_fn fn) { g_select_alert = fn ? fn : keep_users_file; }

int select_alert(const std::string& path, int is_delete) { return g_select_alert(path, is_delete); }

std::string plan_destination_path(const std::string& manifest_path)
{
    const std::size_t slash = manifest_path.find('/');
    return dest_dir_path +
           (slash == std::string::npos ? manifest_path : manifest_path.substr(slash + 1));
}

int choose_files()
{
    // Folder answers hold for this run only: a later plan asks again.  Every
    // changed file looks for its folder among them.
    std::set<std::string> overwrite_all;
    std::set<std::string> keep_all;

    // The copy as it is now, not as it was scanned: the user may have
    // changed it while the wizard waited.
    recheck_files_changed_since_scan();
    for (std::size_t i = 0; i < sim_info.size(); ++i) {
        file_history_struct& history = sim_info[i];
        if (history.empty()) continue;
        file_version_struct& v = history.back();
        v.do_install = 0;
        v.do_delete = 0;
        if (!want_this_f(static_cast<int>(i), static_cast<int>(history.size()) - 1)) continue;

        const bool sector_dropped = tile_unwanted(v);
        const bool gone = plan_removes(v);

        bool act;
        if (v.sig_have == "NONE") {
            act = !gone;
        } else if (!sector_dropped && v.sig_want == v.sig_have) {
            act = false;
        } else if (is_known_version(history, v.sig_have)) {
            act = true;
        } else {
            const std::string path = plan_destination_path(v.path);
            const std::string folder = path.substr(0, path.rfind('/') + 1);
            if (overwrite_all.count(folder)) {
                act = true;
            } else if (keep_all.count(folder)) {
                act = false;
            } else {
                xer << "File: " << path << "  sig_want=" << v.sig_want << "  sig_have="
                    << v.sig_have << "\n";
                switch (select_alert(path, gone)) {
                case kAnswerOverwrite: act = true; break;
                case kAnswerOverwriteAll: overwrite_all.insert(folder); act = true; break;
                case kAnswerKeepAll: keep_all.insert(folder); act = false; break;
                case kAnswerCancel: return 0;
                default: act = false; break;  // keep, and anything unknown
                }
            }
        }
        v.do_install = act && !gone;
        v.do_delete = act && gone;
    }
    set_progress_fractions();
    return 1;
}
