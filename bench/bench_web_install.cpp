// How fast the download pump installs a web release, against curl fetching
// the same archives four at a time and unzip unpacking them.
//
//   bench_web_install [SMALL_FILES [BIG_FILES [BIG_MB [IDLE_MS]]]]
//                     (default 2000 small files, 10 of 20 MB, 16 ms)
//
// The release is made by the release tool and served by nginx on loopback.
// The pump runs as the wizard's frame loop runs it: grab_files again and
// again for 0.02 s, then the frame's idle wait, frame after frame.
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/core_globals.h"
#include "core/files/file_checksum.h"
#include "core/diag/frame_clock.h"
#include "core/shell_hooks.h"
#include "engine/destination_folders.h"
#include "engine/download_pump.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"
#include "nginx_server.h"
#include "release_tool.h"
#include "test_support.h"
#include "install_bench.h"

using namespace testing_support;

namespace {

void write_source(const std::string& source, int small_files, int big_files, int big_mb)
{
    for (int i = 0; i < small_files; ++i)
        write_file(source + "Resources/set" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".txt",
                   payload(1000 + (i * 7919) % 19000, static_cast<unsigned>(i)));
    for (int i = 0; i < big_files; ++i)
        write_file(source + "Resources/big/big" + std::to_string(i) + ".bin",
                   payload(static_cast<size_t>(big_mb) << 20, 100000u + static_cast<unsigned>(i)));
}

double run_pump(int idle_ms)
{
    make_dirs();
    next.reset_all_streams();
    auto start = clock_type::now();
    int result = 0;
    while (result == 0) {
        xtim.xtim_update();
        auto frame = clock_type::now();
        do result = grab_files();
        while (result == 0 && seconds_since(frame) < 0.02);
        if (result == 0) std::this_thread::sleep_for(std::chrono::milliseconds(idle_ms));
    }
    double seconds = seconds_since(start);
    next.reset_all_streams();
    if (stg.extract_failed) std::fprintf(stderr, "the pump failed to unpack an archive\n");
    return seconds;
}

// curl with four parallel transfers through the same proxy, then unzip.
double run_curl_and_unzip(const std::string& work, unsigned short port, double* unzip_seconds)
{
    std::string config, list;
    for (size_t i = 0; i < sim_info.size(); ++i) {
        std::string path = sim_info[i].back().path;
        config += "url = \"http://files.nimbrel.com/Demo/" + path + ".zip\"\n";
        config += "output = \"" + work + "zips/" + std::to_string(i) + ".zip\"\n";
        trim_dest_folder(path);
        size_t slash = path.rfind('/');
        list += std::to_string(i) + ".zip " + work + "curl-copy/" + path.substr(0, slash + 1) + "\n";
    }
    write_file(work + "curl.cfg", config);
    write_file(work + "unzip.list", list);
    run_shell("mkdir -p '" + work + "zips'");

    auto start = clock_type::now();
    run_result fetched = run_shell("curl -s --fail --parallel --parallel-max 4 --proxy http://127.0.0.1:" +
                                   std::to_string(port) + " -K '" + work + "curl.cfg'");
    double curl_seconds = seconds_since(start);
    auto unzip_start = clock_type::now();
    run_result unpacked = run_shell("cd '" + work + "zips' && while read zip folder; do mkdir -p \"$folder\" && unzip -qo \"$zip\" -d \"$folder\" "
                                    "|| exit 1; done < '" + work + "unzip.list'");
    *unzip_seconds = seconds_since(unzip_start);
    if (fetched.status != 0 || unpacked.status != 0)
        std::fprintf(stderr, "curl or unzip failed: %s%s\n", fetched.out.c_str(), unpacked.out.c_str());
    return curl_seconds + *unzip_seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    int small_files = argc > 1 ? std::atoi(argv[1]) : 2000;
    int big_files = argc > 2 ? std::atoi(argv[2]) : 10;
    int big_mb = argc > 3 ? std::atoi(argv[3]) : 20;
    int idle_ms = argc > 4 ? std::atoi(argv[4]) : 16;

    scratch_dir work;
    std::printf("release: %d small files, %d of %d MB; frame idle wait %d ms\n", small_files, big_files, big_mb,
                idle_ms);
    write_source(work / "source/", small_files, big_files, big_mb);
    std::string problem = make_release(work / "source/", work / "web/", "Demo");
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    nginx_server nginx(work / "web/", "", 4);
    if (!nginx.running()) {
        std::fprintf(stderr, "nginx: %s\n", nginx.error_log().c_str());
        return 1;
    }

    http.proxy_host = "127.0.0.1";
    http.proxy_port_int = nginx.port();
    stg_set_start_values();
    install_name = no_install_name;
    temp_path = work / "tmp/";
    run_shell("mkdir -p '" + temp_path + "'");
    dest_dir_path = work / "Copy/";
    while (stg.dir_status != 3 && !app_done) UTL_download_directory();
    for (file_history_struct& history : sim_info) history.back().do_install = 1;

    double pump = run_pump(idle_ms);
    bool same = verify(dest_dir_path);
    double unzip_seconds = 0;
    double tools = run_curl_and_unzip(work.path(), nginx.port(), &unzip_seconds);

    std::printf("download pump (frame loop):   %.2f s%s\n", pump, same ? "" : "  (WRONG FILES)");
    std::printf("curl --parallel-max 4 + unzip: %.2f s (unzip %.2f s)\n", tools, unzip_seconds);
    std::printf("ratio pump / (curl + unzip):   %.2f\n", pump / tools);
    return same ? 0 : 1;
}
