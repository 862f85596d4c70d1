// The server list "serverlist9.txt" from the maker's web server, and the
// pump that gets a download server's manifest.
//
// The list (common text header, version 820, keyword "SERVERS") names the
// release to install ("FINAL", or "BETA" when the user wants the beta), the
// newest installer ("INS_VERSION") and up to ten download servers, each a
// "SERVER" line with its host followed by a path line and a description
// line, until "ENDOFLIST".
#pragma once

#include <cstdint>
#include <string>

// This installer's own version, against the list's "INS_VERSION".
constexpr int kInstallerVersion = 20502;

// Bounds of what the maker's servers send: a list and a zipped manifest
// well beyond any real one.
constexpr int64_t kServerListMaxBytes = int64_t{1} << 20;
constexpr int64_t kManifestArchiveMaxBytes = int64_t{256} << 20;

// Reads the downloaded list at `path` into the server tables, install_name
// and stg.server_count, and chooses a server.  A list of a newer version
// raises the newer-format notice, a newer installer its notice, and then
// nothing is chosen; any other list that cannot be read, or that names no
// usable server, leaves a server count of 0 and an unreadable manifest
// (stg.dir_status 2), with the reason in the log.
void read_server_list(const std::string& path);

// No server to fetch from: the manifest is as unreadable as one that came
// and could not be read (server count 0, stg.dir_status 2), `why` logged.
void unreadable_server_list(const std::string& path, const char* why);

// The lines after the header, from the read position of `list`: fills the
// server tables, stg.server_count and install_name.  False when the list
// announces a newer installer (its page in `newer_installer`); reading
// stops there.
class xmap_class;
bool read_server_rows(xmap_class& list, std::string& newer_installer);

// A server row 0..count-1 at random, the first rows favoured: row k of n
// with probability ((k+1)/n)^(2/3) - (k/n)^(2/3).  count is at least 1.
int pick_biased_server(int count);
// The same draw among the servers not resting after a failure, as long as
// there is one: a dead server at the top of the list must not hold every
// stream while the others could serve.  Rows whose bit is set in
// `excluded` are drawn only when every row is.
int pick_biased_ready_server(int count, unsigned excluded = 0);

// Whether every download server of the list failed its last transfer (a
// manifest or a file), so the user must be told rather than wait.
bool all_download_servers_failing();

// One step of getting the manifest: the server list first (HTTP slot 0),
// then the chosen server's "directory.txt.zip" (slot 1), unpacked and read
// into sim_info.  Call every frame until stg.dir_status is 3.  A server's
// failure is asked again after its rest (for the manifest, of another
// server); a list or archive that cannot be saved in the temporary folder
// ends the fetch with a warning naming it, as unreadable (stg.dir_status 2).
void UTL_download_directory();

// A search that ended with the manifest unreadable (stg.dir_status 2) is
// made again from its start, as the user asks by going back to it: the
// server list and the manifests are fetched anew, every server asked at
// once, none taken for damaged.  Nothing at any other status.
void search_manifest_again();
