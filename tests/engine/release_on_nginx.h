// A release served by a real nginx on loopback, as the network tests of the
// engine and its benchmark need it: a source folder made into a release by
// the release tool, the engine's globals pointed at it, and the steps the
// wizard's screens take around the pumps.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "http_harness.h"
#include "nginx_server.h"
#include "test_support.h"

namespace engine_testing {

// Paths below the release's top folder and their contents.
using release_files = std::vector<std::pair<std::string, std::string>>;

class release_on_nginx {
public:
    // `nginx_extra` goes into nginx's server block.
    release_on_nginx(const release_files& files,
                     const std::vector<std::string>& tool_args = {}, const std::string& nginx_extra = "");

    const testing_support::scratch_dir& source() const { return source_; }
    const testing_support::scratch_dir& web() const { return web_; }
    // The install folder, ending in "/" (dest_dir_path).
    std::string dest() const { return run_ / "Copy/"; }
    bool ready() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }

    // nginx's access log so far.
    std::string access_log() const;
    // nginx_server::requests_for.
    int requests_for(const std::string& part, int expected) const;

    // UTL_download_directory until the manifest is read (true) or is found
    // unreadable, the frame clock moving as the wall clock does; false too
    // once half a minute passed in which nothing moved (no byte, no step),
    // however long the work took.
    bool fetch_manifest();
    // What the file plan would decide for a fresh install: every current
    // file installed, every "GONE" one deleted.
    static void plan_everything();
    // make_dirs, reset_all_streams, then grab_files as the run screen calls
    // it, until it answers; its last answer (0 when nothing moved for half
    // a minute, -1 when make_dirs failed).
    static int run_pump();
    // The loop alone: grab_files until it answers or nothing moved for half
    // a minute (no byte, no file), asleep on the sockets after a call that
    // moved nothing, the frame clock moving as the wall clock does.
    // `after_each_call` looks at what a call left, before the next one goes
    // on.
    static int pump_until_answer(const std::function<void()>& after_each_call = {});

private:
    testing_support::scratch_dir source_, web_, run_;
    std::string problem_;
    std::unique_ptr<testing_support::nginx_server> nginx_;
    std::unique_ptr<http_harness::routed_to_local_server> route_;
};

}  // namespace engine_testing
