// How fast the DVD install road installs a set of install DVDs, against
// unzip and 7zz unpacking the same archives straight from the disks.
//
//   bench_dvd_install [SMALL_FILES [BIG_FILES [BIG_MB [IDLE_MS]]]]
//                     (default 2000 small files, 10 of 20 MB, 16 ms)
//   bench_dvd_install tiles [TILES [SMALLEST_MB [LARGEST_MB [BUDGET_MB]]]]
//                     (default 8 tiles of 130 to 300 MiB, the unpackers'
//                     budget as the program sets it)
//
// The second form installs large scenery tiles packed by 7zz at -mx=9, as
// a disk made by hand may hold them, and weighs the road's peak resident
// memory too: against 7zz x of one archive after the other, and of all at
// once, one process a processor.
//
// The release tool makes three disks: the simulator's files on the first,
// the scenery (half the big files and 200 small tiles, in 7z) on the
// others.  The road's screens run as the wizard's frame loop runs them, one
// call a frame and then the frame's idle wait, from the install screen's
// first frame (CONTINUE on the scenery screen) to the finish; each disk is
// put in the drive the moment the change screen asks for it.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/archives/unpack_memory.h"
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

// Tiles of SMALLEST to LARGEST MiB, as many as asked, in sectors of their own.
void write_tiles(const std::string& source, int tiles, int smallest_mb, int largest_mb)
{
    write_file(source + "Nimbrel-i686", "#!/bin/sh\n");
    for (int i = 0; i < tiles; ++i) {
        const int mb = tiles > 1 ? smallest_mb + (largest_mb - smallest_mb) * i / (tiles - 1) : largest_mb;
        write_file(source + tile(i, 0), payload(static_cast<size_t>(mb) << 20, 300000u + static_cast<unsigned>(i)));
    }
}

// Packs every tile again with 7zz at -mx=9, in place of the release tool's
// archive, and says what dictionary 7zz named.
bool repack_tiles(const dvd_release& disks, const std::string& source, int tiles)
{
    for (int i = 0; i < tiles; ++i) {
        const std::string path = tile(i, 0), archive = disks.archive_of(path);
        const std::string folder = source + path.substr(0, path.rfind('/')), name = path.substr(path.rfind('/') + 1);
        const run_result run = run_shell("rm -f '" + archive + "' && cd '" + folder + "' && 7zz a -t7z -mx=9 -bso0 -bsp0 -- '" +
                                         archive + "' '" + name + "' && 7zz l -slt '" + archive +
                                         "' | sed -n 's/^Method = //p' | head -1");
        if (run.status != 0) {
            std::fprintf(stderr, "7zz failed: %s\n", run.out.c_str());
            return false;
        }
        std::printf("  %s: %s", name.c_str(), run.out.c_str());
    }
    return true;
}

// The most this process has held resident since the last reset, in MiB.
double peak_resident_mb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, 6, "VmHWM:") == 0) return std::atof(line.c_str() + 6) / 1024;
    return 0;
}

void reset_peak_resident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The road's state as its hub leaves it for a fresh install of every file
// and tile from the first disk into work/Copy/ (dest_dir_path); false when
// the disks' manifest cannot be read.
bool plan_install(const dvd_release& disks, const scratch_dir& work)
{
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
        return false;
    }
    dest_dir_path = work / "Copy/";
    plan_fresh_install();
    scenery_take_all();
    recalc_disk_sizes();
    return true;
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

// The tiles' archives unpacked by 7zz x: one after the other, then all at
// once, as many processes side by side as there are processors; the time
// and the peak resident memory of each way (the largest peak of a process,
// and the sum of their peaks: an upper bound of what they held together).
struct seven_zip_figures {
    double one_by_one = 0, at_once = 0;
    double one_by_one_mb = 0, at_once_mb = 0;
};
seven_zip_figures run_7zz_on_tiles(const dvd_release& disks, const std::string& work)
{
    std::string list;
    for (const file_history_struct& history : sim_info) {
        const std::string path = history.back().path.substr(history.back().path.find('/') + 1);
        if (path.compare(0, 14, "Global Scenery") == 0) list += disks.archive_of(path) + "\n";
    }
    write_file(work + "tiles.list", list);
    const auto unpack = [&](const std::string& parallel, double& seconds, double& peak_mb, bool sum) {
        // Made first: 7zz makes the folders of its -o, side by side, as a race.
        run_shell("rm -rf '" + work + "tools-copy' '" + work + "peaks' && mkdir '" + work + "tools-copy'");
        const auto start = clock_type::now();
        const run_result run = run_shell("xargs -d '\\n' -n 1 -P " + parallel + " sh -c '/usr/bin/time -f %M -a -o \"" +
                                         work + "peaks\" 7zz x -y -bso0 -bsp0 \"$0\" \"-o" + work +
                                         "tools-copy/$(basename \"$0\")\"' < '" + work + "tiles.list'");
        seconds = seconds_since(start);
        if (run.status != 0) std::fprintf(stderr, "7zz failed: %s\n", run.out.c_str());
        std::ifstream peaks(work + "peaks");
        for (double kb; peaks >> kb;) peak_mb = sum ? peak_mb + kb / 1024 : std::max(peak_mb, kb / 1024);
    };
    seven_zip_figures f;
    unpack("1", f.one_by_one, f.one_by_one_mb, false);
    unpack(std::to_string(std::thread::hardware_concurrency()), f.at_once, f.at_once_mb, true);
    return f;
}

// Large tiles at -mx=9 through the road, beside 7zz x of the same archives.
int bench_tiles(int tiles, int smallest_mb, int largest_mb, int budget_mb)
{
    scratch_dir work;
    std::printf("%d tiles of %d to %d MiB packed by 7zz at -mx=9:\n", tiles, smallest_mb, largest_mb);
    write_tiles(work / "source/", tiles, smallest_mb, largest_mb);
    const dvd_release disks(work / "source/", 2, "Nimbrel 9 Bench");
    if (!disks.error().empty() || !repack_tiles(disks, work / "source/", tiles)) {
        std::fprintf(stderr, "%s\n", disks.error().c_str());
        return 1;
    }
    run_shell("rm -rf '" + work / "source" + "'");

    if (!plan_install(disks, work)) return 1;
    const std::string copy = dest_dir_path;
    if (budget_mb > 0) unpack_memory_set_budget(static_cast<uint64_t>(budget_mb) << 20);

    reset_peak_resident();
    unpack_memory_reset_figures();
    const double road = run_road(disks, 16);
    const double road_mb = peak_resident_mb();
    const unpack_memory_figures shares = unpack_memory_now();
    const bool same = road >= 0 && verify(copy);
    run_shell("rm -rf '" + copy + "'");
    const seven_zip_figures tools = run_7zz_on_tiles(disks, work.path());

    std::printf("unpackers' budget %.0f MiB, %u processors\n", static_cast<double>(unpack_memory_budget()) / (1 << 20),
                std::thread::hardware_concurrency());
    std::printf("shares: %u taken, %u waited, at most %.0f MiB weighed resident and %.0f MiB reserved at once\n",
                shares.taken, shares.waited, static_cast<double>(shares.peak) / (1 << 20),
                static_cast<double>(shares.address_peak) / (1 << 20));
    std::printf("                                time      peak resident\n");
    std::printf("DVD install road:               %6.2f s  %6.0f MiB%s\n", road, road_mb, same ? "" : "  (WRONG FILES)");
    std::printf("7zz x, one archive at a time:   %6.2f s  %6.0f MiB\n", tools.one_by_one, tools.one_by_one_mb);
    std::printf("7zz x, all at once:             %6.2f s  %6.0f MiB (sum of the processes' peaks)\n",
                tools.at_once, tools.at_once_mb);
    std::printf("road / one at a time:           %6.2f    %6.2f\n", road / tools.one_by_one,
                road_mb / tools.one_by_one_mb);
    std::printf("road / all at once:             %6.2f    %6.2f\n", road / tools.at_once, road_mb / tools.at_once_mb);
    return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "tiles")
        return bench_tiles(argc > 2 ? std::atoi(argv[2]) : 8, argc > 3 ? std::atoi(argv[3]) : 130,
                           argc > 4 ? std::atoi(argv[4]) : 300, argc > 5 ? std::atoi(argv[5]) : 0);

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

    if (!plan_install(disks, work)) return 1;
    const std::string copy = dest_dir_path;

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
