// The sample web release (tools/make_sample_release.py) in a private web
// root, served by nginx on 127.0.0.1 as the maker's web server and both
// download servers; the program reaches it through its proxy setting.
// Its manifest is its own (the release is tagged with its folder), so the
// program's private temporary folder that holds it is this run's even while
// other runs install theirs.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "nginx_server.h"
#include "test_support.h"

namespace testing_support {

class sample_release {
public:
    // `small_files` in nested folders and `large_files` of `large_mb` each.
    sample_release(int small_files, int large_files, int large_mb);

    // False when the release tool failed; problem() says why.
    bool made() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }
    const std::string& webroot() const { return webroot_; }
    // The files of the release folder below /demo/: the release the server
    // list names.
    std::string release_folder() const { return webroot_ + "demo/" + release_ + "/"; }
    // The manifest's text.
    std::string manifest() const;
    // Paths below the install folder that a complete install holds, each
    // with its MD5.
    std::vector<std::pair<std::string, std::string>> installed_files() const;
    // Every path of the manifest below the install folder with its current
    // signature ("GONE" for a removed file).
    std::map<std::string, std::string> signatures() const;

    // The release's successor made beside it, which the server list names
    // from then on: files changed, added and removed (see the tool).  False
    // when the tool failed; problem() says why.
    bool make_update();
    // The first release's folder, also after the update was made.
    std::string first_release_folder() const { return webroot_ + "demo/Demo_900/"; }
    // What the update changes, as ("changed" | "added" | "removed", path).
    std::vector<std::pair<std::string, std::string>> update_changes() const;

    // Starts nginx on the web root with `extra` in its server block, with
    // `workers` worker processes above 1 (for benchmarks).
    bool serve(const std::string& extra = "", int workers = 0);
    // The server block lines that send the files below `folder` (below the
    // release folder, ending in "/") at `rate` ("100k") from both download
    // servers: the program starts on either.
    std::string slowed(const std::string& folder, const std::string& rate) const;
    unsigned short port() const { return server_ ? server_->port() : 0; }
    const nginx_server* server() const { return server_.get(); }
    std::string access_log() const { return server_ ? server_->access_log() : ""; }
    int requests_for(const std::string& part, int expected) const
    {
        return server_ ? server_->requests_for(part, expected) : 0;
    }

    // Whether a program's run folder (program_process::run_folder) holds
    // this release's manifest: its server check is through.
    bool manifest_in(const std::string& run_folder) const;

private:
    bool run_tool(const std::vector<std::string>& more);

    scratch_dir dir_;
    std::vector<std::string> tool_;
    std::string webroot_, problem_, release_ = "Demo_900";
    std::unique_ptr<nginx_server> server_;
};

// The program's arguments that send every request to a proxy on 127.0.0.1
// at `port`.
std::vector<std::string> proxy_arguments(unsigned short port);

}  // namespace testing_support
