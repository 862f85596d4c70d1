#include "engine/download_pump.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>

#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/copy_gate.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"

std::string crnt_file_path;
std::string crnt_file_name;

namespace {

// Whether the last grab_files moved anything, for grab_files_wait.
bool last_call_moved = true;
// A transfer failed in this call: its stream tries again at once.
bool transfer_failed = false;

// -- Number of streams ---

// Streams wanted at a transfer rate in kilobytes per second, unless the
// user fixed the number; a stored count outside 1..4 means automatic.
int wanted_streams(float rate)
{
    if (stg.stream_count >= 1 && stg.stream_count <= kStreamCount) return stg.stream_count;
    if (rate > 200) return 9;
    if (rate > 150) return 8;
    if (rate > 100) return 6;
    if (rate > 50) return 4;
    return 2;
}

// After stream k finished a file: add a stream or retire this one, towards
// the wanted number.  Retiring needs two active, so the last one never goes.
void adapt_streams(int k)
{
    int wanted = wanted_streams(next.rate(xtim.real_time));
    int count = 0;
    for (int s = 0; s < kStreamCount; ++s) count += next.active[s] != 0;
    if (count < wanted) {
        for (int s = 0; s < kStreamCount; ++s) {
            if (!next.active[s]) {
                next.active[s] = 1;
                next.wants_next[s] = 1;
                break;
            }
        }
    }
    if (count > wanted && count > 1)
        next.active[k] = 0;
    else
        next.wants_next[k] = 1;
}

// -- Servers that answer with the wrong file ---

// The server the next transfer of history `h` asks: the chosen one, unless
// it rests after a failure or already answered this file wrongly.
int server_for_file(int h)
{
    auto tried = next.wrong_answers.find(h);
    const unsigned excluded = tried == next.wrong_answers.end() ? 0u : tried->second;
    if ((excluded >> stg.server_choice & 1u) || http.resting(server_name[stg.server_choice]))
        stg.server_choice = pick_biased_ready_server(stg.server_count, excluded);
    return stg.server_choice;
}

// Server `server` answered history `h` with something other than its file
// (`err`).  True while another server is left to ask, which the stream then
// does; a file every server answered wrongly has failed, as retrying would
// bring the same answers for ever.
bool ask_another_server(int h, int server, int err)
{
    const file_version_struct& version = sim_info[h].back();
    unsigned& tried = next.wrong_answers[h];
    tried |= 1u << server;
    const unsigned all = (1u << std::clamp(stg.server_count, 1, kMaxServers)) - 1;
    const bool left = (tried & all) != all;
    xer << server_name[server] << " answered " << version.path << " with something other than that file: "
        << error_str(err) << (left ? "; asking another server.\n" : "; no server is left to ask.\n");
    // It answered: whatever failed before, the network is not the trouble.
    stg.download_failed = 0;
    if (left) stg.server_choice = pick_biased_ready_server(stg.server_count, tried);
    return left;
}

void extract_alert(int result, const std::string& problem, const std::string& archive,
                   const file_version_struct& version)
{
    stg.extract_failed = 1;
    __MACIBM_alert(0, UTL_translate_string("The installer cannot extract a file.", 0),
                   UTL_translate_string("Error: ", 0) + (problem.empty() ? error_text(result) : problem),
                   UTL_translate_string("Compressed File: ", 0) + archive,
                   UTL_translate_string("Destination: ", 0) + dest_path_of(version), 1, "utils", 436);
}

// Installs the file from the stream's archive; the result, with the text
// naming a wrong signature in `problem` and whether a failure arose in the
// archive in `in_archive`.  The archive stays for the alert that names it.
int install_archive(const std::string& archive, const file_version_struct& version, std::string& problem,
                    bool* in_archive = nullptr)
{
    const int result = copy_install(archive, version, &problem, in_archive);
    log_file_action("EXPANDING file ", dest_path_of(version), result);
    return result;
}

// -- One stream's file ---

// The current-file fraction of a transfer still under way in `slot`.
float transfer_fraction(int slot)
{
    down_class* transfer = http.transfer(slot);
    if (!transfer) return 0.0f;
    if (transfer->ContentLength() == -1) return -0.01f;
    return transfer->GetPercent() * 0.01f;
}

// The most a file's archive may bring: its download size from the manifest,
// which counts whole kilobytes, and one kilobyte more for a manifest that
// rounded down.  A server sending more is wrong about the file.
int64_t download_body_limit(const file_version_struct& version)
{
    const double kb = std::isfinite(version.download_size) && version.download_size > 0 ? version.download_size : 0;
    return static_cast<int64_t>((std::min(kb, 1e12) + 1.0) * 1024.0);
}

// Moves stream k by one step; true when it finished its file.
bool step_stream(int k)
{
    file_version_struct& version = sim_info[next.file_index[k]].back();
    const std::string dest = dest_path_of(version);
    // The wizard's server buttons write the choice too: keep it on the list.
    stg.server_choice = std::clamp(stg.server_choice, 0, std::max(stg.server_count, 1) - 1);
    const int slot = kFirstStreamSlot + k;
    const bool fetching = version.do_install && !version.do_delete;
    // A transfer keeps the server it was started for, whatever the choice
    // becomes meanwhile: its answer is that server's.
    if (fetching && !http.transfer(slot)) next.server[k] = server_for_file(next.file_index[k]);
    const int server = fetching ? next.server[k] : stg.server_choice;
    const std::string download = server_path[server] + version.path + ".zip";
    const std::string archive = stream_archive_path(k);
    next.wants_next[k] = 0;
    crnt_file_path = download;
    size_t slash = download.rfind('/');
    crnt_file_name = slash == std::string::npos ? download : download.substr(slash + 1);

    if (!version.path.empty() && version.path.back() == '/') {
        __MACIBM_alert(0, "I am working through the list and found a path that has no file!",
                       "This is impossible to download or delete!", "It is:", version.path, 2, "utils", 505);
        return true;
    }

    if (version.do_delete) {
        stg.file_action = 0;
        int result = copy_delete(version);
        log_file_action("now we want to nuke a file: DELETING  file ", dest, result);
        // Not worth stopping the run for, but the finish must not say all went well.
        if (result != 0 && result != ENOENT) stg.delete_failed = 1;
        record_emptied_folders(dest, deleted_files);
        return true;
    }
    if (!version.do_install) {
        stg.file_action = version.is_current ? 2 : 3;
        return true;
    }

    stg.file_action = 1;
    if (!http.transfer(slot)) prepare_stream_archive(k);
    switch (http.net_check(slot, server_name[server], download, archive, download_body_limit(version))) {
    case 0:
        stg.file_progress = transfer_fraction(slot);
        next.in_progress_kb += stg.file_progress * version.download_size;
        return false;
    case 1: {
        stg.download_failed = 0;
        std::string problem;
        bool in_archive = false;
        const int result = install_archive(archive, version, problem, &in_archive);
        // What the server sent was not the file: another server may send it.
        const bool ask_again = in_archive && ask_another_server(next.file_index[k], server, result);
        if (result != 0 && !ask_again) extract_alert(result, problem, archive, version);
        delete_file(archive);
        if (ask_again) return false;
        // Only an archive that unpacked makes the file current: a retry or
        // a repair must still see the others as missing.
        if (result == 0) version.is_current = 1;
        next.downloaded_kb += version.download_size;
        next.installed_kb += version.installed_size;
        return true;
    }
    default:
        if (saving_failed_here(slot, UTL_translate_string("Compressed File: ", 0) + archive)) {
            stg.extract_failed = 1;
            delete_file(archive);
            return false;
        }
        if (http.last_os_error(slot) == EFBIG) {
            const bool ask_again = ask_another_server(next.file_index[k], server, EFBIG);
            if (!ask_again) extract_alert(EFBIG, std::string(), archive, version);
            delete_file(archive);
            return !ask_again;
        }
        stg.download_failed = 1;
        transfer_failed = true;
        next.cursor = std::min(next.cursor, next.file_index[k]);
        stg.server_choice = pick_biased_ready_server(stg.server_count);
        return false;
    }
}

}  // namespace

bool saving_failed_here(int slot, const std::string& file_line)
{
    const int err = http.local_failure(slot);
    if (err == 0) return false;
    __MACIBM_alert(0, UTL_translate_string("The installer cannot save a downloaded file.", 0),
                   UTL_translate_string("Error: ", 0) + error_text(err), file_line, "", 1, "utils", 420);
    return true;
}

int extract_and_delete_file(const std::string& archive, const file_version_struct& version)
{
    std::string problem;
    const int result = install_archive(archive, version, problem);
    if (result != 0) extract_alert(result, problem, archive, version);
    delete_file(archive);
    return result;
}

int grab_files()
{
    const int files = static_cast<int>(sim_info.size());
    const uint64_t traffic = http.traffic();
    bool finished_any = false;
    transfer_failed = false;
    next.in_progress_kb = 0;
    for (int k = 0; k < kStreamCount; ++k) {
        if (!next.active[k]) continue;
        if (next.wants_next[k]) {
            next.file_index[k] = next.cursor;
            next.cursor = std::min(next.cursor + 1, files);
        }
        if (next.file_index[k] >= files) continue;
        if (step_stream(k)) {
            finished_any = true;
            adapt_streams(k);
        }
        if (stg.extract_failed) break;
    }
    last_call_moved = finished_any || transfer_failed || http.traffic() != traffic;

    bool through = true;
    for (int k = 0; k < kStreamCount; ++k) through = through && (!next.active[k] || next.file_index[k] >= files);
    if (through) {
        next.done = 1;
        copy_remove_emptied_folders(deleted_files, "cleanup: DELETING  file ");
        return 1;
    }
    return stg.extract_failed;
}

bool grab_files_wait(double seconds)
{
    if (last_call_moved) return true;
    int slots[kStreamCount];
    int count = 0;
    for (int k = 0; k < kStreamCount; ++k)
        if (next.active[k]) slots[count++] = kFirstStreamSlot + k;
    // Nothing else can change before a socket is ready: a resting server
    // waits for the frame clock, which stands still within the slice.
    return http.wait_for(slots, count, seconds);
}
