// UTL_download_directory: the server list, then the chosen server's
// manifest, one step per frame.
#include <algorithm>
#include <cerrno>
#include <iterator>

#include "core/int_rand.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/download_pump.h"
#include "engine/http_client.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"
#include "engine/web_page.h"

namespace {

void unpack_warning(int err, const std::string& archive)
{
    __MACIBM_alert(0, UTL_translate_string("The installer cannot extract a file.", 0),
                   UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_text(err)),
                   UTL_string_sub(UTL_translate_string("Compressed File  %1:file%.", 0), archive),
                   UTL_string_sub(UTL_translate_string("Destination Path: %1:file%.", 0), temp_path), 1,
                   __FILE__, __LINE__);
}

// The server to fetch the manifest from next, drawn uniformly from those
// whose manifest has not been found damaged, and among them from those not
// resting after a failure while there are such; -1 when every server's
// manifest was damaged.
int server_without_damaged_manifest()
{
    int left = 0, ready = 0;
    for (int i = 0; i < stg.server_count; ++i) {
        left += !stg.damaged_manifest[i];
        ready += !stg.damaged_manifest[i] && !http.resting(server_name[i]);
    }
    if (left == 0) return -1;
    const bool only_ready = ready > 0;
    int pick = int_rand(0, (only_ready ? ready : left) - 1);
    for (int i = 0; i < stg.server_count; ++i)
        if (!stg.damaged_manifest[i] && (!only_ready || !http.resting(server_name[i])) && pick-- == 0) return i;
    return -1;
}

void fetch_server_list()
{
    const std::string list = temp_path + "serverlist9.txt";
    const int result = http.net_check(0, kMakerWebHost, "/serverlist9.txt", list, kServerListMaxBytes);
    if (result == 1) read_server_list(list);
    if (result != 2) return;
    // A list that cannot be saved here, or one larger than any list (the
    // maker's server answered), would be the same at every try.
    const bool not_saved = saving_failed_here(0, list);
    if (not_saved || http.last_os_error(0) == EFBIG) {
        delete_file(list);
        unreadable_server_list(list, not_saved ? "it cannot be saved here" : "it is larger than any server list");
    }
}

// Server `c` answered with a manifest that cannot serve: asking it again
// would bring the same one for ever, so it is left, and when no server is
// left the manifest is unreadable.  `err` is the reason for the warning
// given once per server, 0 for none.  `why` is kManifestNotHeld where this
// process had no room for it: a manifest that costs more than its honest
// size is its server's trouble, so only once every server was asked does
// the check end on the warning that memory ran out.
enum { kManifestDamaged = 1, kManifestNotHeld = 2 };
void manifest_damaged(int c, int err, const std::string& archive, int why = kManifestDamaged)
{
    if (err && !stg.damaged_manifest[c]) unpack_warning(err, archive);
    stg.damaged_manifest[c] = std::max(stg.damaged_manifest[c], why);
    const int other = server_without_damaged_manifest();
    if (other >= 0) {
        stg.server_choice = other;
        return;
    }
    stg.dir_status = 2;
    xer << "No download server gave a manifest that can be read.\n";
    const int* const rows = stg.damaged_manifest;
    if (std::count(rows, rows + std::clamp(stg.server_count, 0, kMaxServers), int{kManifestNotHeld}) > 0)
        manifest_out_of_memory_alert(temp_path + "directory.txt");
}

void fetch_manifest_archive(const std::string& zipped)
{
    if (stg.server_count <= 0) return;  // nothing to fetch from
    if (!http.transfer(1) && http.resting(server_name[std::clamp(stg.server_choice, 0, stg.server_count - 1)]))
        stg.server_choice = std::max(server_without_damaged_manifest(), 0);
    const int c = std::clamp(stg.server_choice, 0, stg.server_count - 1);
    int result = http.net_check(1, server_name[c], server_path[c] + "directory.txt.zip", zipped,
                                kManifestArchiveMaxBytes);
    if (result == 0) return;
    // Every server would fail the same way, for ever: the check ends as it
    // does for a manifest that cannot be read.
    if (result == 2 && saving_failed_here(1, UTL_translate_string("Compressed File: ", 0) + zipped)) {
        delete_file(zipped);
        stg.dir_status = 2;
        xer << "The manifest archive " << zipped << " cannot be saved here.\n";
        return;
    }
    // An archive larger than any manifest is the server's answer, not
    // trouble reaching it.
    if (result == 2 && http.last_os_error(1) != EFBIG) {
        stg.server_choice = std::max(server_without_damaged_manifest(), 0);
        return;
    }
    bool in_archive = true;
    const int err = result == 2 ? EFBIG : unpack_manifest(zipped, temp_path, &in_archive);
    if (err == 0) {
        stg.dir_status = 1;
    } else if (!in_archive) {
        // The archive came whole but its manifest cannot be written here (a
        // full disk, the folder gone): no server's archive would fare better.
        unpack_warning(err, zipped);
        stg.dir_status = 2;
        xer << "The manifest of " << zipped << " cannot be unpacked here.\n";
    } else {
        manifest_damaged(c, err, zipped);
    }
    delete_file(zipped);
}

void read_manifest(const std::string& manifest)
{
    const int read = read_directory(
        manifest,
        UTL_translate_string("Scanning directory text file to see if you already have Nimbrel installed...", 0));
    if (read == kDirectoryNewerFormat || (read == kDirectoryRead && release_offers_simulator())) {
        stg.dir_status = read;
        return;
    }
    // Damaged, too costly for this process to hold, or with nothing to
    // install here (installing from it would end in "finished" on a copy
    // of empty folders): another server may do.
    const int c = std::clamp(stg.server_choice, 0, stg.server_count - 1);
    if (read == kDirectoryRead)
        xer << "The manifest of " << server_name[c] << " gives no file to install on this system.\n";
    if (read == kDirectoryOutOfMemory)
        xer << "The manifest of " << server_name[c] << " cannot be held here; another server is asked.\n";
    sim_info.clear();
    delete_file(manifest);
    stg.dir_status = 0;
    manifest_damaged(c, 0, std::string(), read == kDirectoryOutOfMemory ? kManifestNotHeld : kManifestDamaged);
}

}  // namespace

void UTL_download_directory()
{
    if (stg.server_count == -1) {
        fetch_server_list();
        return;
    }
    if (stg.dir_status == 0) fetch_manifest_archive(temp_path + "directory.txt.zip");
    if (stg.dir_status == 1) read_manifest(temp_path + "directory.txt");
}

void search_manifest_again()
{
    if (stg.dir_status != 2) return;
    stg.server_count = -1;
    stg.server_choice = 0;
    stg.dir_status = 0;
    std::fill(std::begin(stg.damaged_manifest), std::end(stg.damaged_manifest), 0);
    http.forget_failures();
}
