// UTL_download_directory: the server list, then the chosen server's
// manifest, one step per frame.
#include <algorithm>

#include "core/int_rand.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/archives/archives.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"
#include "engine/web_page.h"

namespace {

void unpack_warning(int err, const std::string& archive)
{
    __MACIBM_alert(0, UTL_translate_string("The installer cannot extract a file.", 0),
                   UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_str(err)),
                   UTL_string_sub(UTL_translate_string("Compressed File  %1:file%.", 0), archive),
                   UTL_string_sub(UTL_translate_string("Destination Path: %1:file%.", 0), temp_path), 1,
                   __FILE__, __LINE__);
}

// The server to fetch the manifest from next, drawn uniformly from those
// whose archive has not failed to unpack, and among them from those not
// resting after a failure while there are such; -1 when every server's
// archive failed.
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
    if (http.net_check(0, kMakerWebHost, "/serverlist9.txt", list, kServerListMaxBytes) == 1) read_server_list(list);
}

void fetch_manifest_archive(const std::string& zipped, const std::string& manifest)
{
    if (stg.server_count <= 0) return;  // nothing to fetch from
    if (!http.transfer(1) && http.resting(server_name[std::clamp(stg.server_choice, 0, stg.server_count - 1)]))
        stg.server_choice = std::max(server_without_damaged_manifest(), 0);
    const int c = std::clamp(stg.server_choice, 0, stg.server_count - 1);
    int result = http.net_check(1, server_name[c], server_path[c] + "directory.txt.zip", zipped,
                                kManifestArchiveMaxBytes);
    if (result == 0) return;
    if (result == 2) {
        stg.server_choice = std::max(server_without_damaged_manifest(), 0);
        return;
    }
    // A manifest left from an earlier fetch must not pass for this one.
    delete_file(manifest);
    int err = zip_to_file(zipped, temp_path, nullptr, 0);
    if (err == 0 && !file_exists(manifest)) err = kErrZipOpen;
    if (err == 0) {
        stg.dir_status = 1;
    } else {
        // Asking the same server again would bring the same archive and the
        // same warning for ever: it is warned about once and left, and when
        // no server is left the manifest is unreadable.
        if (!stg.damaged_manifest[c]) unpack_warning(err, zipped);
        stg.damaged_manifest[c] = 1;
        const int other = server_without_damaged_manifest();
        if (other < 0)
            stg.dir_status = 2;
        else
            stg.server_choice = other;
    }
    delete_file(zipped);
}

}  // namespace

void UTL_download_directory()
{
    if (stg.server_count == -1) {
        fetch_server_list();
        return;
    }
    const std::string manifest = temp_path + "directory.txt";
    if (stg.dir_status == 0) fetch_manifest_archive(temp_path + "directory.txt.zip", manifest);
    if (stg.dir_status == 1)
        stg.dir_status = read_directory(
            manifest,
            UTL_translate_string("Scanning directory text file to see if you already have Nimbrel installed...", 0));
}
