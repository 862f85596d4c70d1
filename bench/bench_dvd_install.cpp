// How fast the DVD install road installs a set of install DVDs, against
// unzip and 7zz unpacking the same archives straight from the disks.
//
//   bench_dvd_install [SMALL_FILES [BIG_FILES [BIG_MB [IDLE_MS]]]]
//                     (default 2000 small files, 10 of 20 MB, 16 ms)
//
// The release tool makes three disks: the simulator's files on the first,
// the scenery (half the big files and 200 small tiles, in 7z) on the
// others.  The road's screens run as the wizard's frame loop runs them, one
// call a frame and then the frame's idle wait, from the install screen's
// first frame (CONTINUE on the scenery screen) to the finish; each disk is
// put in the drive the moment the change screen asks for it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/core_globals.h"
#include "core/diag/frame_clock.h"
#include "core/files/file_checksum.h"
#include "core/shell_hooks.h"
#include "engine/dvd_media.h"
#include "engine/dvd_mounts.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "dvd_release.h"
#include "test_support.h"
#include "install_bench.h"

screen_fn g_wizard = nullptr;

using namespace testing_support;

namespace {

// A tile's name in sector `n` of a band of the world, as the manifest names
// them ("+40-074.dsf").
std::string tile(int n, int i)
{
    char name[64];
    std::snprintf(name, sizeof name, "Global Scenery/Terrain/%+03d%+04d/%+03d%+04d.dsf", -40 + 10 * (n % 8),
                  -170 + 10 * (n / 8), -40 + 10 * (n % 8) + i % 10, -170 + 10 * (n / 8) + i % 10);
    return name;
}

void write_source(const std::string& source, int small_files, int big_files, int big_mb)
{
    write_file(source + "Nimbrel-i686", "#!/bin/sh\n");
    for (int i = 0; i < small_files; ++i)
        write_file(source + "Resources/set" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".txt",
                   payload(1000 + (i * 7919) % 19000, static_cast<unsigned>(i)));
    for (int i = 0; i < big_files; ++i) {
        const std::string path = i % 2 ? tile(i, 0) : "Resources/big/big" + std::to_string(i) + ".bin";
        write_file(source + path, payload(static_cast<size_t>(big_mb) << 20, 100000u + static_cast<unsigned>(i)));
    }
    for (int i = 0; i < 200; ++i)
        write_file(source + tile(20 + i / 10, i), payload(10000 + (i * 7919) % 40000, 200000u + i));
}

// The road from the install screen to the finish, a screen call a frame.
double run_road(const dvd_release& disks, int idle_ms)
{
    screen_fn screen = dvd_run_install, previous = nullptr;
    const auto start = clock_type::now();
    while (screen != dvd_done_install) {
        xtim.xtim_update();
        wizard_screen record;
        wizard_frame_events events;
        events.screen_result = screen(screen != previous, record);
        previous = screen;
        if (screen == dvd_switch_disk_install) {
            disks.insert(UTIL_switch_disk(0) + 1);
            events.continue_clicked = true;
        }
        screen = wizard_next_screen(screen, record, events);
        if (!screen || app_done) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(idle_ms));
    }
    return seconds_since(start);
}

// Each archive unpacked by its tool into its file's folder, one after the
// other, as a shell script installing the disks would: the zips, then the
// 7z archives; the seconds of each.
struct tool_times {
    double unzip = 0, seven_zip = 0;
};
tool_times run_tools(const dvd_release& disks, const std::string& work)
{
    std::string zips, sevens;
    for (const file_history_struct& history : sim_info) {
        std::string path = history.back().path;
        const std::string archive = disks.archive_of(path.substr(path.find('/') + 1));
        trim_dest_folder(path);
        const std::string line = archive + "\t" + work + "tools-copy/" + path.substr(0, path.rfind('/') + 1) + "\n";
        (archive.size() > 3 && archive.compare(archive.size() - 3, 3, ".7z") == 0 ? sevens : zips) += line;
    }
    write_file(work + "zips.list", zips);
    write_file(work + "sevens.list", sevens);
    const auto unpack = [&](const std::string& list, const std::string& command) {
        const auto start = clock_type::now();
        const run_result run = run_shell("while IFS='\t' read -r archive folder; do mkdir -p \"$folder\" && " +
                                         command + " || exit 1; done < '" + work + list + "'");
        if (run.status != 0) std::fprintf(stderr, "a tool failed: %s\n", run.out.c_str());
        return seconds_since(start);
    };
    tool_times t;
    t.unzip = unpack("zips.list", "unzip -qo \"$archive\" -d \"$folder\"");
    t.seven_zip = unpack("sevens.list", "7zz x -y -bso0 -bsp0 \"$archive\" \"-o$folder\"");
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    const int small_files = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int big_files = argc > 2 ? std::atoi(argv[2]) : 10;
    const int big_mb = argc > 3 ? std::atoi(argv[3]) : 20;
    const int idle_ms = argc > 4 ? std::atoi(argv[4]) : 16;

    scratch_dir work;
    std::printf("three disks: %d small files, %d of %d MB, 200 small tiles; frame idle wait %d ms\n",
                small_files, big_files, big_mb, idle_ms);
    write_source(work / "source/", small_files, big_files, big_mb);
    const dvd_release disks(work / "source/", 3, "Nimbrel 9 Bench");
    if (!disks.error().empty()) {
        std::fprintf(stderr, "%s\n", disks.error().c_str());
        return 1;
    }
    run_shell("rm -rf '" + work / "source" + "'");

    ::setenv("HOME", (work / "home").c_str(), 1);
    ::setenv("NIMBREL_DVD", disks.drive().c_str(), 1);
    UTIL_set_dvd_search_places({work / "no mount table", {}});
    stg_set_start_values();
    temp_path = work / "tmp/";
    run_shell("mkdir -p '" + temp_path + "' '" + work / "home" + "'");
    disks.insert(1);
    UTIL_scan_dvd();
    if (stg.dir_status != 3) {
        std::fprintf(stderr, "the disks' manifest could not be read\n");
        return 1;
    }
    const std::string copy = work / "Copy/";
    dest_dir_path = copy;
    plan_fresh_install();
    scenery_take_all();
    recalc_disk_sizes();

    const double road = run_road(disks, idle_ms);
    const bool same = road >= 0 && verify(copy);
    const tool_times tools = run_tools(disks, work.path());
    const double both = tools.unzip + tools.seven_zip;

    std::printf("DVD install road (frame loop): %.2f s%s\n", road, same ? "" : "  (WRONG FILES)");
    std::printf("unzip, one archive at a time:  %.2f s\n", tools.unzip);
    std::printf("7zz x, one archive at a time:  %.2f s\n", tools.seven_zip);
    std::printf("ratio road / (unzip + 7zz):    %.2f\n", road / both);
    return same ? 0 : 1;
}
