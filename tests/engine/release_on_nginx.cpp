#include "release_on_nginx.h"

#include <chrono>
#include <memory>
#include <vector>

#include "core/core_globals.h"
#include "core/diag/frame_clock.h"
#include "engine/destination_folders.h"
#include "engine/download_pump.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"
#include "engine_test_support.h"
#include "release_tool.h"

namespace engine_testing {

release_on_nginx::release_on_nginx(const release_files& files,
                                   const std::vector<std::string>& tool_args, const std::string& nginx_extra)
{
    for (const auto& [path, bytes] : files) testing_support::write_file(source_ / path, bytes);
    problem_ = testing_support::make_release(source_.path(), web_.path(), "Demo", tool_args);
    if (!problem_.empty()) return;
    nginx_ = std::make_unique<testing_support::nginx_server>(web_.path(), nginx_extra);
    if (!nginx_->running()) {
        problem_ = "nginx did not start: " + nginx_->error_log();
        return;
    }
    route_ = std::make_unique<http_harness::routed_to_local_server>(nginx_->port());
    reset_engine_state();
    stg_set_start_values();
    install_name = no_install_name;
    temp_path = run_ / "tmp/";
    testing_support::write_file(temp_path + ".keep", "");
    dest_dir_path = dest();
    next = next_class{};
}

namespace {

// The manifest check's bytes and steps so far.
std::vector<double> check_done()
{
    std::vector<double> done = {static_cast<double>(http.traffic()), double(stg.server_count),
                                double(stg.dir_status), double(stg.server_choice)};
    for (int i = 0; i < kMaxServers; ++i) done.push_back(stg.damaged_manifest[i]);
    return done;
}

// The pump's bytes and files so far.
std::vector<double> pump_done()
{
    return {static_cast<double>(http.traffic()), double(next.cursor), next.downloaded_kb, next.installed_kb,
            double(stg.server_choice), double(stg.download_failed)};
}

// The frame clock in step with the wall clock, as the program's frames move
// it: a failing server rests by it before it is asked again.
class clock_in_step {
public:
    clock_in_step() : start_(std::chrono::steady_clock::now()), base_(xtim.real_time) {}
    void step() const
    {
        xtim.real_time = base_ + std::chrono::duration<float>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
    float base_;
};

}  // namespace

std::string release_on_nginx::access_log() const
{
    return nginx_ ? testing_support::read_file(nginx_->folder() + "access.log") : "";
}

int release_on_nginx::requests_for(const std::string& part, int expected) const
{
    return nginx_ ? nginx_->requests_for(part, expected) : 0;
}

bool release_on_nginx::fetch_manifest()
{
    // A costly manifest read under ThreadSanitizer beside other tests took
    // twenty seconds in one call: the check is given up only once nothing
    // has moved for a while.
    testing_support::idle_limit limit(30);
    clock_in_step clock;
    while (stg.dir_status != 3 && stg.dir_status != 2 && !app_done && limit.moving(check_done())) {
        clock.step();
        UTL_download_directory();
    }
    return stg.dir_status == 3;
}

void release_on_nginx::plan_everything()
{
    for (file_history_struct& history : sim_info) {
        file_version_struct& current = history.back();
        current.do_delete = current.sig_want == "GONE";
        current.do_install = !current.do_delete;
    }
}

int release_on_nginx::run_pump()
{
    if (make_dirs() != 0) return -1;
    next.reset_all_streams();
    int result = pump_until_answer();
    next.reset_all_streams();
    return result;
}

int release_on_nginx::pump_until_answer(const std::function<void()>& after_each_call)
{
    int result = 0;
    testing_support::idle_limit limit(30);
    clock_in_step clock;
    while (result == 0 && limit.moving(pump_done())) {
        clock.step();
        result = grab_files();
        if (after_each_call) after_each_call();
        if (result == 0) grab_files_wait(0.02);  // as the run screens sleep out a slice
    }
    return result;
}

}  // namespace engine_testing
