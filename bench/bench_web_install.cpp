// How fast the download pump installs a web release, against curl fetching
// the same archives four at a time and unzip unpacking them on every
// processor.
//
//   bench_web_install [SMALL_FILES [BIG_FILES [BIG_MB [IDLE_MS [PER_FOLDER [ROUNDS]]]]]]
//                     (default 2000 small files, 10 of 20 MB, 16 ms, 100, 3)
//
// The small files lie in folders of PER_FOLDER files (0: all in one).  The
// release is made by the release tool and served by nginx on loopback.  The
// pump runs as the wizard's frame loop runs it: grab_files again and again
// for 0.02 s (asleep on the sockets when a call moved nothing), then the
// frame's idle wait, frame after frame.  Pump and tools
// take turns, ROUNDS times each, into new folders; the medians count.
#include <algorithm>
#include <chrono>
#include <map>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/core_globals.h"
#include "core/files/file_checksum.h"
#include "core/diag/frame_clock.h"
#include "core/shell_hooks.h"
#include "core/threads/utl_thread.h"
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

void write_source(const std::string& source, int small_files, int big_files, int big_mb, int per_folder)
{
    for (int i = 0; i < small_files; ++i)
        write_file(source + "Resources/set" + std::to_string(per_folder > 0 ? i / per_folder : 0) + "/file" +
                       std::to_string(i) + ".txt",
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
        do {
            result = grab_files();
            if (result == 0) grab_files_wait(0.02 - seconds_since(frame));
        } while (result == 0 && seconds_since(frame) < 0.02);
        if (result == 0) std::this_thread::sleep_for(std::chrono::milliseconds(idle_ms));
    }
    double seconds = seconds_since(start);
    next.reset_all_streams();
    if (stg.extract_failed) std::fprintf(stderr, "the pump failed to unpack an archive\n");
    return seconds;
}

// curl with four parallel transfers through the same proxy, then unzip on
// every processor: the archives of each folder in as many shares as there
// are processors, one unzip process a share (unzip takes a pattern and
// opens every archive that matches), the shares side by side.
double run_curl_and_unzip(const std::string& work, unsigned short port, double* unzip_seconds)
{
    const int cpus = UTL_count_processors();
    std::map<std::string, int> folders;  // destination folder -> its number
    std::map<std::string, int> in_folder;
    std::string config, shares;
    for (size_t i = 0; i < sim_info.size(); ++i) {
        std::string path = sim_info[i].back().path;
        const std::string url = "http://files.nimbrel.com/Demo/" + path + ".zip";
        trim_dest_folder(path);
        const std::string folder = work + "curl-copy/" + path.substr(0, path.rfind('/') + 1);
        const int f = folders.emplace(folder, static_cast<int>(folders.size())).first->second;
        const std::string share = work + "zips/" + std::to_string(f) + "/" + std::to_string(in_folder[folder]++ % cpus);
        config += "url = \"" + url + "\"\noutput = \"" + share + "/" + std::to_string(i) + ".zip\"\n";
    }
    for (const auto& [folder, f] : folders)
        for (int k = 0; k < cpus && k < in_folder[folder]; ++k)
            shares += work + "zips/" + std::to_string(f) + "/" + std::to_string(k) + "/*.zip " + folder + "\n";
    write_file(work + "curl.cfg", config);
    write_file(work + "unzip.list", shares);
    run_shell("rm -rf '" + work + "zips' '" + work + "curl-copy'");

    auto start = clock_type::now();
    run_result fetched = run_shell("curl -s --fail --create-dirs --parallel --parallel-max 4 --proxy http://127.0.0.1:" +
                                   std::to_string(port) + " -K '" + work + "curl.cfg'");
    double curl_seconds = seconds_since(start);
    auto unzip_start = clock_type::now();
    run_result unpacked = run_shell("cut -d' ' -f2 '" + work + "unzip.list' | sort -u | xargs mkdir -p && xargs -P" +
                                    std::to_string(cpus) + " -L1 sh -c 'unzip -qo \"$0\" -d \"$1\"' < '" + work +
                                    "unzip.list'");
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
    int per_folder = argc > 5 ? std::atoi(argv[5]) : 100;
    int rounds = argc > 6 ? std::max(1, std::atoi(argv[6])) : 3;

    scratch_dir work(bench_parent());
    std::printf("release: %d small files (%s), %d of %d MB; frame idle wait %d ms; %d rounds\n", small_files,
                per_folder > 0 ? ("folders of " + std::to_string(per_folder)).c_str() : "one folder", big_files,
                big_mb, idle_ms, rounds);
    write_source(work / "source/", small_files, big_files, big_mb, per_folder);
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
    while (stg.dir_status != 3 && !app_done) UTL_download_directory();
    for (file_history_struct& history : sim_info) history.back().do_install = 1;

    std::vector<double> pumps, tools, curls, unzips;
    bool same = true;
    for (int round = 0; round < rounds; ++round) {
        dest_dir_path = work / ("Copy" + std::to_string(round) + "/");
        pumps.push_back(run_pump(idle_ms));
        same = verify(dest_dir_path) && same;
        run_shell("rm -rf '" + dest_dir_path + "'");
        double unzip_seconds = 0;
        tools.push_back(run_curl_and_unzip(work.path(), nginx.port(), &unzip_seconds));
        unzips.push_back(unzip_seconds);
        curls.push_back(tools.back() - unzip_seconds);
        std::printf("  round %d: pump %.2f s, curl %.2f s + unzip %.2f s\n", round + 1, pumps.back(), curls.back(),
                    unzips.back());
    }
    std::printf("download pump (frame loop):       %.2f s%s\n", median(pumps), same ? "" : "  (WRONG FILES)");
    std::printf("curl --parallel-max 4 + unzip -P: %.2f s (curl %.2f s, unzip %.2f s)\n", median(tools), median(curls),
                median(unzips));
    std::printf("ratio pump / (curl + unzip):      %.2f (medians of %d)\n", median(pumps) / median(tools), rounds);
    return same ? 0 : 1;
}
