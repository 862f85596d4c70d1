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

}  // namespace

void UTL_download_directory()
{
    const std::string zipped = temp_path + "directory.txt.zip";
    const std::string manifest = temp_path + "directory.txt";

    if (stg.server_count == -1) {
        const std::string list = temp_path + "serverlist9.txt";
        if (http.net_check(0, kMakerWebHost, "/serverlist9.txt", list) == 1) read_server_list(list);
        return;
    }

    if (stg.dir_status == 0) {
        if (stg.server_count <= 0) return;  // nothing to fetch from
        const int c = std::clamp(stg.server_choice, 0, stg.server_count - 1);
        int result = http.net_check(1, server_name[c], server_path[c] + "directory.txt.zip", zipped);
        if (result == 0) return;
        if (result == 2) {
            stg.server_choice = int_rand(0, stg.server_count - 1);
            return;
        }
        // A manifest left from an earlier fetch must not pass for this one.
        delete_file(manifest);
        int err = zip_to_file(zipped, temp_path, nullptr, 0);
        if (err == 0 && !file_exists(manifest)) err = kErrZipOpen;
        if (err == 0)
            stg.dir_status = 1;
        else
            unpack_warning(err, zipped);
        delete_file(zipped);
    }

    if (stg.dir_status == 1)
        stg.dir_status = read_directory(
            manifest,
            UTL_translate_string("Scanning directory text file to see if you already have Nimbrel installed...", 0));
}
