#include "wizard/web_roads.h"

#include <algorithm>
#include <cstdio>

#include "core/diag/frame_clock.h"
#include "core/maker_site.h"
#include "core/text/translation.h"
#include "engine/destination_folders.h"
#include "engine/download_pump.h"
#include "engine/download_streams.h"
#include "engine/file_plan.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/server_list.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

// Long enough to keep four streams fed, short enough that the window still
// answers the mouse while they download.
constexpr double kPumpSliceSeconds = 0.02;

double wall_seconds() { return static_cast<double>(xtim.microsecs()) * 1e-6; }

int active_streams()
{
    int n = 0;
    for (int active : next.active) n += active != 0;
    return n;
}

}  // namespace

// -- Server check ----------------------------------------------------------------

manifest_fetch_progress manifest_progress(bool has_transfer, long long content_length,
                                          long long received)
{
    if (!has_transfer) return {0, 0.0f};
    if (content_length == -1) return {-1, -0.01f};
    // An empty body is all there, as the download pump counts it too; it
    // must not be divided by.
    if (content_length <= 0) return {100, 1.0f};
    // Single precision and truncation, so 99.9 % reads 99 and the bar and
    // the text agree.
    const float percent = static_cast<float>(received) * 100.0f / static_cast<float>(content_length);
    return {static_cast<int>(percent), percent * 0.01f};
}

void server_check_begins()
{
    if (stg.dir_status == 3)
        stg.dir_status = 1;
    else
        search_manifest_again();
}

bool server_check_frame(wizard_screen& record, const server_check_words& words)
{
    UTL_download_directory();

    if (stg.server_count == -1) {
        record.text = tr(words.contacting);
        if (http.failing(kMakerWebHost)) record.text += "\n\n" + server_trouble_text(kMakerWebHost, false);
        return false;
    }
    // A list without servers leaves nothing to fetch from: as good as
    // unreadable, and the server tables have no row to name.
    if (stg.dir_status == 2 || stg.server_count <= 0) {
        record.text = tr("There was a problem reading information from the servers.");
        return false;
    }
    if (stg.dir_status == 0) {
        const down_class* transfer = http.transfer(1);
        const manifest_fetch_progress p =
            manifest_progress(transfer != nullptr, transfer ? transfer->ContentLength() : 0,
                              transfer ? transfer->BytesWritten() : 0);
        std::string percent;
        int_to_str(p.percent, &percent, 1, 0, 0);
        record.progress_text =
            p.percent == -1
                ? tr("I am checking the net for the latest version of Nimbrel 9 right now, and I "
                     "am connecting to the server...")
                : UTL_string_sub(tr("I am checking the net for the latest version of Nimbrel 9 "
                                    "right now, and I am %1:progress%% done checking."),
                                 percent);
        record.progress = p.fraction;
        const std::string& host = server_name[std::clamp(stg.server_choice, 0, stg.server_count - 1)];
        record.text = UTL_string_sub(tr(words.downloading), host);
        if (all_download_servers_failing()) record.text += "\n\n" + server_trouble_text(host, true);
        return false;
    }
    if (stg.dir_status == 1) {
        record.text = tr(words.processing);
        return false;
    }
    return true;
}

// -- Install -------------------------------------------------------------------------

bool plan_web_install(bool new_copy)
{
    stg_clear_failures();
    if (!choose_files()) return false;
    if ((new_copy ? make_new_copy_dirs() : make_dirs()) != 0) return false;
    next.reset_all_streams();
    return true;
}

float smooth_install_fraction(float previous, float frame_period, float completed_kb,
                              float total_kb)
{
    const float k = 5 * frame_period;
    const float target = completed_kb / total_kb;
    const float f = (1 - k) * previous + k * target;
    if (f < 0) return 0;
    if (!(f <= 1)) return 1;  // above 1, or no number when the plan is empty
    return f;
}

std::string install_progress_text(int phase, const std::string& file, float file_fraction)
{
    // The pump marks a file whose length the server has not yet sent with a
    // share just below 0: nothing of it is done yet.
    std::string percent;
    int_to_str(std::max(static_cast<int>(file_fraction * 100), 0), &percent, 1, 0, 0);
    switch (phase) {
    case 0: return UTL_string_sub(tr("Deleting %1:file% because that file is no longer needed!"), file);
    case 1:
        return UTL_string_sub(tr("Downloading and installing %1:file%, currently %2:progress%% done "
                                 "with that file."),
                              file, percent);
    case 2: return UTL_string_sub(tr("Skipping %1:file% because it is already installed."), file);
    case 3: return UTL_string_sub(tr("Skipping %1:file% because you don't need it."), file);
    default: return "";
    }
}

std::string install_main_text(float done_kb, float elapsed_s, float total_kb, int streams)
{
    if (elapsed_s < 1) elapsed_s = 1;
    const float rate = done_kb / elapsed_s;
    // Nothing received yet since the streams were reset (a restarted
    // install keeps its bar): no rate, so no honest time to show.
    if (!(rate > 0)) return "";
    float remaining = total_kb - done_kb;
    if (remaining < 0) remaining = 0;
    char count[16];
    std::snprintf(count, sizeof count, "%d", streams);
    const std::string templ = UTL_translate_plural(
        streams,
        "About %1:time% left in the install, downloading at %2:rate% with %3:number% download stream.",
        "About %1:time% left in the install, downloading at %2:rate% with %3:number% simultaneous "
        "download streams.");
    return UTL_string_sub(templ, time_str(remaining / rate), rate_str(rate), count);
}

int web_install_frame(wizard_screen& record, float& smoothed)
{
    record.title = tr("Installing");
    record.show_servers = 1;
    record.next = nullptr;
    const double t0 = wall_seconds();
    do {
        if (grab_files()) {
            next.reset_all_streams();
            record.back = nullptr;
            return 1;
        }
        // The bar glides by one step per pump call, so a frame of quick
        // calls moves it further.
        smoothed = smooth_install_fraction(smoothed, xtim.prd_frame_1, next.installed_kb,
                                           stg.install_total);
        // While the servers keep us waiting the slice is slept away on their
        // sockets; the pump runs again as soon as one has something.
        grab_files_wait(t0 + kPumpSliceSeconds - wall_seconds());
    } while (wall_seconds() < t0 + kPumpSliceSeconds);

    // The texts show where the last pass left the pump: built once a frame.
    if (stg.download_failed) {
        record.text = UTL_string_sub(
            tr("I can not download the file '%1:filename%'.\n\nYour internet connection may "
               "not be working, or the server could be undergoing maintainance or an upgrade "
               "right now.\n\nI am trying another server now to see if I can still get you a "
               "download..."),
            crnt_file_path);
        if (all_download_servers_failing())
            record.text += "\n\n" + server_trouble_text(server_name[stg.server_choice], true);
        return 0;
    }
    record.text = smoothed > 0.01f ? install_main_text(next.in_progress_kb + next.downloaded_kb,
                                                       xtim.real_time - next.start_time, stg.download_total,
                                                       active_streams())
                                   : "";
    record.progress_text = install_progress_text(stg.file_action, crnt_file_name, stg.file_progress);
    record.progress = smoothed;
    return 0;
}
