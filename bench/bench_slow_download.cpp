// The install screen's own processor time while a slow server keeps it
// waiting.  Each INSTALLER in turn (builds of nimbrel-installer: the one
// before a change and the one after, say), ROUNDS times, is walked under X
// to its install screen against the sample release on nginx with its three
// large files and no small ones, every archive sent at RATE a connection over
// two streams (the number the rate rule picks at these rates, fixed so that
// the few small files at the start, which nginx sends within its first
// second's allowance, cannot add more): twice RATE in all.  Once the
// downloads are under way, the process's processor time over SECONDS, in
// all and apart from Mesa's rasteriser threads, is its figure.
//
//   bench_slow_download [--rate 10k] [--seconds 10] [--rounds 3] INSTALLER...
//                       (DISPLAY must be set)
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "install_bench.h"
#include "process_cpu.h"
#include "web_demo_road.h"

namespace {

struct figures {
    std::vector<double> whole, own;
};

// One walk of `installer` to its install screen and the figures taken there;
// false when the road did not get there.
bool measure(const std::string& installer, const sample_release& release, unsigned seconds, figures& out)
{
    road_walker road(installer, "bench");
    road.with_arguments({"--pref:_stream_count=2"});
    // Ended the ordinary way whatever happens, so that its temporary folder
    // goes with it.
    struct ended_in_order {
        road_walker& road;
        ~ended_in_order()
        {
            road.send_signal(SIGTERM);
            road.wait(20);
        }
    } ender{road};
    if (!start_demo(road, release.port()) || !walk_to_destination(road, release) || !begin_install(road)) {
        std::fprintf(stderr, "the install did not start; the program's output:\n%s\n", road.output().c_str());
        return false;
    }
    const std::string temp = road.run_folder();
    if (!wait_until([&] { return holds_archives(temp); }, 20)) {
        std::fprintf(stderr, "no download began\n");
        return false;
    }
    sleep(1);  // the first connections and the screen's first frames
    const bench_cpu::cpu_share share = bench_cpu::measure_cpu(road.pid(), seconds);
    if (!road.running() || !downloads_move(temp)) {
        std::fprintf(stderr, "the install was no longer downloading at the end\n");
        return false;
    }
    out.whole.push_back(share.whole);
    out.own.push_back(share.whole - share.rasteriser);
    std::printf("%s: %.2f %% of a core, %.2f %% without the rasteriser\n", installer.c_str(), share.whole,
                out.own.back());
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string rate = "10k";
    unsigned seconds = 10;
    int rounds = 3;
    std::vector<std::string> installers;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rate" && i + 1 < argc) rate = argv[++i];
        else if (a == "--seconds" && i + 1 < argc) seconds = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else installers.push_back(a);
    }
    if (installers.empty() || !std::getenv("DISPLAY")) {
        std::fprintf(stderr, "usage: DISPLAY=:N bench_slow_download [--rate 10k] [--seconds 10] [--rounds 3] "
                             "INSTALLER...\n");
        return 2;
    }

    sample_release release(0, 3, 8);
    if (!release.made() || !release.serve(release.slowed("Nimbrel/", rate), 2)) {
        std::fprintf(stderr, "%s\n", release.problem().c_str());
        return 1;
    }
    std::printf("sample release, every archive at %s a connection; %u s once the download is under way; "
                "%d rounds\n",
                rate.c_str(), seconds, rounds);
    std::vector<figures> all(installers.size());
    for (int round = 0; round < rounds; ++round)
        for (size_t i = 0; i < installers.size(); ++i)
            if (!measure(installers[i], release, seconds, all[i])) return 1;
    for (size_t i = 0; i < installers.size(); ++i)
        std::printf("median of %d: %s: %.2f %% of a core, %.2f %% without the rasteriser\n", rounds,
                    installers[i].c_str(), median(all[i].whole), median(all[i].own));
    return 0;
}
